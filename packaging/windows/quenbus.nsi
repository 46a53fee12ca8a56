; The quenbus installer. makensis defines:
;   VERSION   the product version (1.0.0)
;   ARCH      x64 or x86: the Windows the binaries are built for
;   BIN       folder holding quenbus.cpl, quenbus.exe, the MEX files and the
;             simulated-bus libraries
;   MEX       the MEX files' suffix (mexw64 or mexw32)
;   HELP      folder holding the MATLAB help files
;   WHEEL     the PyVISA backend's wheel
;   ICON      the installer's icon
;   OUTFILE   the installer to write
; Silent use: setup.exe /S [/DRIVER=PATH] [/SERVICE=NAME] [/SIMULATED=0|1]
;             uninstall.exe /S [/PURGE]

; The installer is a program of the Windows it installs for: Windows itself
; refuses the x64 one on a 32-bit system. The x86 one is an ANSI program, the
; kind Windows 9x runs.
!if ${ARCH} == x64
Unicode true
Target amd64-unicode
!else
Unicode false
Target x86-ansi
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define PRODUCT "quenbus"
!define PUBLISHER "The quenbus project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\quenbus"
!define CONFIG_KEY "Software\Korvex\IEEE"
!define DEFAULT_SERVICE "Rumex"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION} (${ARCH})"
ShowInstDetails show
ShowUninstDetails show
!if ${ARCH} == x64
InstallDir "$PROGRAMFILES64\quenbus"
!else
InstallDir "$PROGRAMFILES\quenbus"
!endif

Var Driver
Var Service
Var DriverField
Var ServiceField

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
Page custom DriverPage DriverPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Both programs refuse a user who cannot write the system folder and the services.
!macro RefuseNonAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP|MB_OK "Installing ${PRODUCT} needs an administrator: it writes the system folder and installs a driver service. Run it as administrator." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

; The simulated-bus libraries go where the bus driver library of a real
; machine lies; one already there that is not ours is never replaced.
!macro InstallSimulatedLibrary NAME
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "Installed ${NAME}"
  ${If} ${FileExists} "$SYSDIR\${NAME}"
  ${AndIf} $0 != 1
    DetailPrint "Kept the machine's own $SYSDIR\${NAME}"
  ${Else}
    SetOutPath "$SYSDIR"
    File "${BIN}/${NAME}"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Installed ${NAME}" 1
  ${EndIf}
!macroend

!macro RemoveSimulatedLibrary NAME
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "Installed ${NAME}"
  ${If} $0 == 1
    Delete "$SYSDIR\${NAME}"
  ${EndIf}
!macroend

Section "IEEE 488 applet and tools" SecMain
  SectionIn RO
  SetOutPath "$SYSDIR"
  File "${BIN}/quenbus.cpl"
  SetOutPath "$INSTDIR"
  File "${BIN}/quenbus.exe"
  File "${BIN}/busquery.${MEX}"
  File "${BIN}/buswrite.${MEX}"
  File "${BIN}/busblock.${MEX}"
  File "${BIN}/buswriteblock.${MEX}"
  File "${BIN}/busclear.${MEX}"
  File "${BIN}/bustrigger.${MEX}"
  File "${BIN}/busspoll.${MEX}"
  File "${BIN}/buswaitsrq.${MEX}"
  File "${BIN}/buslocal.${MEX}"
  File "${HELP}/busquery.m"
  File "${HELP}/buswrite.m"
  File "${HELP}/busblock.m"
  File "${HELP}/buswriteblock.m"
  File "${HELP}/busclear.m"
  File "${HELP}/bustrigger.m"
  File "${HELP}/busspoll.m"
  File "${HELP}/buswaitsrq.m"
  File "${HELP}/buslocal.m"
  File "${HELP}/Contents.m"
  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section "Simulated bus" SecSimulated
  !insertmacro InstallSimulatedLibrary drovane.dll
  !insertmacro InstallSimulatedLibrary sicl32.dll
SectionEnd

Section "Python backend" SecPython
  SetOutPath "$INSTDIR\python"
  File "${WHEEL}"
SectionEnd

Section "-Set up the machine"
  ${If} $Driver == ""
    DetailPrint "Running quenbus setup install (no driver given: bus configuration only)"
    nsExec::ExecToLog '"$INSTDIR\quenbus.exe" setup --dll "$SYSDIR\quenbus.cpl" install'
  ${Else}
    DetailPrint "Running quenbus setup install --driver $Driver --service $Service"
    nsExec::ExecToLog '"$INSTDIR\quenbus.exe" setup --dll "$SYSDIR\quenbus.cpl" install --driver "$Driver" --service "$Service" --display "IEEE 488 bus driver"'
  ${EndIf}
  Pop $0
  ${If} $0 != 0
    DetailPrint "quenbus setup install failed ($0)"
    MessageBox MB_ICONEXCLAMATION|MB_OK "Setting up the machine failed ($0); the details list says which step. The files are installed; run quenbus setup install again when the cause is mended." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
  ${If} $Driver != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DriverService" "$Service"
  ${EndIf}
SectionEnd

Section "-Register the uninstaller"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (IEEE 488 bus configuration)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\quenbus.cpl,-100"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=quenbus.cpl /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "The IEEE 488 Control Panel applet (into the system folder), the quenbus tool, and the MATLAB commands busquery, buswrite, busblock, buswriteblock, busclear, bustrigger, busspoll, buswaitsrq and buslocal with their help."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPython} "The PyVISA backend pyvisa_quenbus, as a wheel in the python folder beside the tool, for pip to install into the Python that talks to the bus."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulated} "Bus driver and SICL libraries on a simulated bus of instruments, for a machine without IEEE 488 hardware. A library the machine has already is kept."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  !insertmacro RefuseNonAdministrator
  ${GetParameters} $R0
  ${GetOptions} $R0 "/DRIVER=" $Driver
  ${GetOptions} $R0 "/SERVICE=" $Service
  ${If} $Service == ""
    StrCpy $Service "${DEFAULT_SERVICE}"
  ${EndIf}
  ; The simulated bus is on by default unless the machine has a bus driver
  ; library of its own.
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "Installed drovane.dll"
  ${If} ${FileExists} "$SYSDIR\drovane.dll"
  ${AndIf} $0 != 1
    !insertmacro UnselectSection ${SecSimulated}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/SIMULATED=" $1
  ${IfNot} ${Errors}
    ${If} $1 == 0
      !insertmacro UnselectSection ${SecSimulated}
    ${Else}
      !insertmacro SelectSection ${SecSimulated}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function DriverPage
  !insertmacro MUI_HEADER_TEXT "Bus driver service" "The driver of your IEEE 488 board, installed as a service by quenbus setup install."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Driver file (.sys) of the board. Leave it empty to set up only the bus configuration."
  Pop $0
  ${NSD_CreateText} 0 26u 80% 12u "$Driver"
  Pop $DriverField
  ${NSD_CreateBrowseButton} 82% 25u 18% 14u "Browse..."
  Pop $0
  ${NSD_OnClick} $0 BrowseDriver
  ${NSD_CreateLabel} 0 48u 100% 12u "Service name of the driver:"
  Pop $0
  ${NSD_CreateText} 0 62u 50% 12u "$Service"
  Pop $ServiceField
  nsDialogs::Show
FunctionEnd

Function BrowseDriver
  ${NSD_GetText} $DriverField $0
  nsDialogs::SelectFileDialog open "$0" "Drivers (*.sys)|*.sys|All files|*.*"
  Pop $0
  ${If} $0 != ""
    ${NSD_SetText} $DriverField $0
  ${EndIf}
FunctionEnd

Function DriverPageLeave
  ${NSD_GetText} $DriverField $Driver
  ${NSD_GetText} $ServiceField $Service
  ${If} $Driver != ""
  ${AndIf} $Service == ""
    MessageBox MB_ICONEXCLAMATION|MB_OK "Give the driver's service name."
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro RefuseNonAdministrator
FunctionEnd

Section "Uninstall"
  ReadRegStr $Service HKLM "${UNINSTALL_KEY}" "DriverService"
  ${If} $Service != ""
    nsExec::ExecToLog '"$INSTDIR\quenbus.exe" setup --dll "$SYSDIR\quenbus.cpl" uninstall --service "$Service"'
    Pop $0
  ${EndIf}
  !insertmacro RemoveSimulatedLibrary drovane.dll
  !insertmacro RemoveSimulatedLibrary sicl32.dll
  Delete "$SYSDIR\quenbus.cpl"
  Delete "$INSTDIR\quenbus.exe"
  Delete "$INSTDIR\busquery.${MEX}"
  Delete "$INSTDIR\buswrite.${MEX}"
  Delete "$INSTDIR\busblock.${MEX}"
  Delete "$INSTDIR\buswriteblock.${MEX}"
  Delete "$INSTDIR\busclear.${MEX}"
  Delete "$INSTDIR\bustrigger.${MEX}"
  Delete "$INSTDIR\busspoll.${MEX}"
  Delete "$INSTDIR\buswaitsrq.${MEX}"
  Delete "$INSTDIR\buslocal.${MEX}"
  Delete "$INSTDIR\busquery.m"
  Delete "$INSTDIR\buswrite.m"
  Delete "$INSTDIR\busblock.m"
  Delete "$INSTDIR\buswriteblock.m"
  Delete "$INSTDIR\busclear.m"
  Delete "$INSTDIR\bustrigger.m"
  Delete "$INSTDIR\busspoll.m"
  Delete "$INSTDIR\buswaitsrq.m"
  Delete "$INSTDIR\buslocal.m"
  Delete "$INSTDIR\Contents.m"
  Delete "$INSTDIR\python\pyvisa_quenbus-${VERSION}-py3-none-any.whl"
  RMDir "$INSTDIR\python"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The bus configuration is the user's; it goes only when asked.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PURGE" $1
  ${IfNot} ${Errors}
    DeleteRegKey HKCU "${CONFIG_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Korvex"
    DetailPrint "Removed the bus configuration (HKCU\${CONFIG_KEY})"
  ${EndIf}
  RMDir "$INSTDIR"
SectionEnd
