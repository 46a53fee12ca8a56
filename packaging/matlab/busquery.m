%BUSQUERY Send a command to an IEEE 488 instrument and read its reply.
%   REPLY = BUSQUERY(ADDRESS, COMMAND) sends the text COMMAND to the
%   instrument at ADDRESS and returns the text it answers, at most 255
%   characters (a longer reply is cut).
%
%   [REPLY, STATUS] = BUSQUERY(ADDRESS, COMMAND) also returns the status of
%   the transfer, 0 when it went through, else the sum of:
%       1   opening the interface or the instrument failed
%       2   sending the command or reading the reply failed
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
%       reply = busquery('IEEE0:22', '*IDN?')
%       [volts, status] = busquery('IEEE0:22', 'MEAS:VOLT?');
%       if status ~= 0, error('no reading (status %d)', status); end
%       reply = busquery('hpib7,22', '*IDN?')
%
%   See also BUSWRITE.

% Help text only: the command itself is the MEX file beside this one.
