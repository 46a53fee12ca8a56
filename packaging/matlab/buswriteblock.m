%BUSWRITEBLOCK Send a command followed by a binary block to an IEEE 488 instrument.
%   STATUS = BUSWRITEBLOCK(ADDRESS, COMMAND, DATA) sends the text COMMAND
%   followed at once by DATA as an IEEE 488.2 definite-length block,
%   #<n><length><bytes>, with END on its last byte, and returns the status of
%   the transfer, 0 when it went through, else the sum of:
%       1   opening the interface or the instrument failed
%       2   sending failed (a warning says why)
%       4   closing failed
%
%   DATA is a uint8 array, or any real numeric or logical array, sent as its
%   bytes in this computer's order (use TYPECAST and SWAPBYTES to choose
%   another), or a character array, each character one byte (codes 0 to 255).
%   The bytes go as they are: no terminator character inside them ends the
%   message.
%
%   ADDRESS is a text of at most 19 characters, as for BUSQUERY:
%       'IEEE0:22'   bus driver library: interface IEEE0, primary address 22
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Examples:
%       points = int16(8191 * sin(linspace(0, 2*pi, 4096)));
%       status = buswriteblock('IEEE0:10', 'DATA:DAC VOLATILE, ', points);
%       status = buswriteblock('IEEE0:18', 'WAV:DATA ', uint8(0:255));
%
%   See also BUSBLOCK, BUSWRITE, TYPECAST.

% Help text only: the command itself is the MEX file beside this one.
