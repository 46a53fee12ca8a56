# Source lists shared by the targets that build the portable core.
set(QUENBUS_CORE_SOURCES
  ${PROJECT_SOURCE_DIR}/applet/tree_items.cpp
  ${PROJECT_SOURCE_DIR}/config/config_layout.cpp
  ${PROJECT_SOURCE_DIR}/config/config_nodes.cpp
  ${PROJECT_SOURCE_DIR}/config/hardware_store.cpp
  ${PROJECT_SOURCE_DIR}/config/heap_string.cpp
  ${PROJECT_SOURCE_DIR}/config/node_index.cpp
  ${PROJECT_SOURCE_DIR}/config/os_family.cpp
  ${PROJECT_SOURCE_DIR}/config/registry_access.cpp
  ${PROJECT_SOURCE_DIR}/config/setup_exports.cpp
  ${PROJECT_SOURCE_DIR}/config/text_utils.cpp
  ${PROJECT_SOURCE_DIR}/discovery/board_description.cpp
  ${PROJECT_SOURCE_DIR}/discovery/board_discovery.cpp
  ${PROJECT_SOURCE_DIR}/discovery/device_registry.cpp
  ${PROJECT_SOURCE_DIR}/framework/runtime_class.cpp
  ${PROJECT_SOURCE_DIR}/framework/validation.cpp
  ${PROJECT_SOURCE_DIR}/platform/reg_file.cpp
  ${PROJECT_SOURCE_DIR}/properties/item_settings.cpp
  ${PROJECT_SOURCE_DIR}/properties/system_resources.cpp
  ${PROJECT_SOURCE_DIR}/service/driver_service.cpp
)

# The emulated Win32 subset of non-Windows builds.
set(QUENBUS_PLATFORM_SOURCES
  ${PROJECT_SOURCE_DIR}/platform/last_error.cpp
  ${PROJECT_SOURCE_DIR}/platform/module.cpp
  ${PROJECT_SOURCE_DIR}/platform/registry.cpp
  ${PROJECT_SOURCE_DIR}/platform/services.cpp
  ${PROJECT_SOURCE_DIR}/platform/string_ptr.cpp
  ${PROJECT_SOURCE_DIR}/platform/version.cpp
)

# The dialog framework (Windows only).
set(QUENBUS_FRAMEWORK_SOURCES
  ${PROJECT_SOURCE_DIR}/framework/controls.cpp
  ${PROJECT_SOURCE_DIR}/framework/data_exchange.cpp
  ${PROJECT_SOURCE_DIR}/framework/dialog.cpp
  ${PROJECT_SOURCE_DIR}/framework/module.cpp
  ${PROJECT_SOURCE_DIR}/framework/property_sheet.cpp
  ${PROJECT_SOURCE_DIR}/framework/window.cpp
)
