%BUSTRIGGER Send the group execute trigger to an IEEE 488 instrument.
%   STATUS = BUSTRIGGER(ADDRESS) sends the group execute trigger (GET) to the
%   instrument at ADDRESS, which starts what it was set to do on a trigger
%   (a measurement, a sweep). STATUS is 0 when it went through, else the sum
%   of:
%       1   opening the interface or the instrument failed
%       2   the trigger failed; a warning says why
%       4   closing failed
%
%   ADDRESS is a text of at most 19 characters, as for BUSQUERY:
%       'IEEE0:22'   bus driver library: interface IEEE0, primary address 22
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Examples:
%       status = bustrigger('IEEE0:22');
%       reading = busquery('IEEE0:22', 'FETC?')
%
%   See also BUSWAITSRQ, BUSCLEAR, BUSQUERY.

% Help text only: the command itself is the MEX file beside this one.
