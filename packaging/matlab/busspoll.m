%BUSSPOLL Read the status byte of an IEEE 488 instrument by a serial poll.
%   STB = BUSSPOLL(ADDRESS) polls the instrument at ADDRESS and returns its
%   status byte, 0 to 255. Of its bits, 64 says the instrument requests
%   service (the poll takes that request), 32 that an enabled standard event
%   happened and 16 that a reply waits to be read; the others are the
%   instrument's own.
%
%   [STB, STATUS] = BUSSPOLL(ADDRESS) also returns the status, 0 when the
%   poll went through, else the sum of:
%       1   opening the interface or the instrument failed
%       2   the poll failed (nothing at the address, no answer in time);
%           a warning says why, and STB is 0
%       4   closing failed
%
%   ADDRESS is a text of at most 19 characters, as for BUSQUERY:
%       'IEEE0:22'   bus driver library: interface IEEE0, primary address 22
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Examples:
%       stb = busspoll('IEEE0:22');
%       if bitand(stb, 64), disp('the multimeter requests service'); end
%       [stb, status] = busspoll('hpib7,22')
%
%   See also BUSWAITSRQ, BUSCLEAR, BITAND.

% Help text only: the command itself is the MEX file beside this one.
