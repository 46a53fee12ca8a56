%BUSWRITE Send a command to an IEEE 488 instrument.
%   STATUS = BUSWRITE(ADDRESS, COMMAND) sends the text COMMAND to the
%   instrument at ADDRESS and reads nothing back. STATUS is 0 when the
%   transfer went through, else the sum of:
%       1   opening the interface or the instrument failed
%       2   sending the command failed
%       4   closing failed
%
%   ADDRESS is a text of at most 19 characters in one of two forms:
%       'IEEE0:22'   bus driver library: the first five characters name the
%                    interface as the IEEE 488 applet shows it (IEEE0 ...),
%                    the number from the seventh character on is the
%                    instrument's primary address ('IEEE0,22' works alike)
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Examples:
%       status = buswrite('IEEE0:22', '*RST')
%       if buswrite('hpib7,22', '*CLS') ~= 0, warning('not cleared'); end
%
%   See also BUSQUERY.

% Help text only: the command itself is the MEX file beside this one.
