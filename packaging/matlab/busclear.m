%BUSCLEAR Send the device clear to an IEEE 488 instrument.
%   STATUS = BUSCLEAR(ADDRESS) sends the device clear (SDC) to the
%   instrument at ADDRESS: it drops the reply it has not sent yet and what it
%   was taking in, and stops what it was doing. STATUS is 0 when it went
%   through, else the sum of:
%       1   opening the interface or the instrument failed
%       2   the clear failed (nothing at the address, or a bus driver
%           library that does not offer it); a warning says which
%       4   closing failed
%
%   ADDRESS is a text of at most 19 characters, as for BUSQUERY:
%       'IEEE0:22'   bus driver library: interface IEEE0, primary address 22
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Examples:
%       buswrite('IEEE0:22', '*IDN?');
%       status = busclear('IEEE0:22')      % the identification is gone
%       reply = busquery('IEEE0:22', 'MEAS:VOLT?')
%
%   See also BUSTRIGGER, BUSSPOLL, BUSLOCAL, BUSQUERY.

% Help text only: the command itself is the MEX file beside this one.
