%BUSWAITSRQ Wait for an IEEE 488 instrument to request service.
%   STB = BUSWAITSRQ(ADDRESS, TIMEOUT) waits at most TIMEOUT milliseconds for
%   the instrument at ADDRESS to request service, then polls it and returns
%   its status byte (with bit 64, the request, which the poll takes).
%   TIMEOUT is a whole number 0 to 4294967295: 0 looks once, 4294967295 or
%   Inf waits without end. A request of another instrument neither ends the
%   wait nor is taken by it.
%
%   [STB, STATUS] = BUSWAITSRQ(ADDRESS, TIMEOUT) also returns the status, 0
%   when the request came, else the sum of:
%       1   opening the interface or the instrument failed
%       2   no request within TIMEOUT, or the wait failed; a warning says
%           which, and STB is 0
%       4   closing failed
%
%   ADDRESS is a text of at most 19 characters, as for BUSQUERY:
%       'IEEE0:22'   bus driver library: interface IEEE0, primary address 22
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Examples:
%       buswrite('IEEE0:22', '*CLS;*ESE 1;*SRE 32');  % request at completion
%       buswrite('IEEE0:22', 'INIT;*OPC');
%       [stb, status] = buswaitsrq('IEEE0:22', 5000);
%       if status == 0, reading = busquery('IEEE0:22', 'FETC?'), end
%
%   See also BUSSPOLL, BUSTRIGGER, BUSWRITE.

% Help text only: the command itself is the MEX file beside this one.
