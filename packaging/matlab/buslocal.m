%BUSLOCAL Return an IEEE 488 instrument to local control.
%   STATUS = BUSLOCAL(ADDRESS) sends go to local (GTL) to the instrument at
%   ADDRESS: its front panel works again. STATUS is 0 when it went through,
%   else the sum of:
%       1   opening the interface or the instrument failed
%       2   the go to local failed; a warning says why
%       4   closing failed
%
%   ADDRESS is a text of at most 19 characters, as for BUSQUERY:
%       'IEEE0:22'   bus driver library: interface IEEE0, primary address 22
%       'hpib7,22'   SICL library: any address that begins with a lowercase h
%
%   Example:
%       status = buslocal('IEEE0:22')
%
%   See also BUSCLEAR, BUSQUERY.

% Help text only: the command itself is the MEX file beside this one.
