%BUSBLOCK Send a command to an IEEE 488 instrument and read its binary block.
%   DATA = BUSBLOCK(ADDRESS, COMMAND) sends the text COMMAND to the
%   instrument at ADDRESS and returns the IEEE 488.2 arbitrary block of its
%   reply as a uint8 row vector: the payload of a definite-length block
%   (#<n><length><bytes>) or of an indefinite one (#0<bytes>, ended by a line
%   feed with END). Bytes before the # are skipped; the terminator after the
%   block is read and dropped. A reply that holds no block comes back whole,
%   up to END, as uint8. Any length, any byte value.
%
%   [DATA, STATUS] = BUSBLOCK(ADDRESS, COMMAND) also returns the status of
%   the transfer, 0 when it went through, else the sum of:
%       1   opening the interface or the instrument failed
%       2   sending the command or reading the reply failed (a time-out, a
%           malformed block header, a block shorter than it announced, a
%           reply longer than the limit); a warning says which
%       4   closing failed
%
%   DATA = BUSBLOCK(ADDRESS, COMMAND, LIMIT) reads at most LIMIT bytes
%   (256 MiB without LIMIT), so that an instrument that never stops talking
%   cannot fill the memory.
%
%   ADDRESS is a text of at most 19 characters, as for BUSQUERY:
%       'IEEE0:22'   bus driver library: interface IEEE0, primary address 22
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Examples:
%       wave = busblock('IEEE0:16', 'CURV?');
%       plot(double(typecast(wave, 'int16')));
%       [screen, status] = busblock('IEEE0:7', 'HCOPY:DATA?', 64e6);
%       if status ~= 0, error('no screen dump (status %d)', status); end
%
%   See also BUSWRITEBLOCK, BUSQUERY, TYPECAST.

% Help text only: the command itself is the MEX file beside this one.
