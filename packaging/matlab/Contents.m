% quenbus: IEEE 488 (GPIB) instruments from MATLAB and GNU Octave.
%
% Commands
%   busquery - Send a command to an IEEE 488 instrument and read its reply.
%   buswrite - Send a command to an IEEE 488 instrument.
%   busblock - Send a command and read its reply's binary block, any length.
%   buswriteblock - Send a command followed by a binary block.
%   busclear - Send the device clear to an instrument.
%   bustrigger - Send the group execute trigger to an instrument.
%   busspoll - Read an instrument's status byte by a serial poll.
%   buswaitsrq - Wait for an instrument to request service.
%   buslocal - Return an instrument to local control.
%
% The interfaces (IEEE0, IEEE1, ...) and their devices are configured in the
% IEEE 488 applet of the Control Panel; the quenbus tool lists and checks them
% (quenbus list, quenbus check) and talks to instruments (quenbus query).
