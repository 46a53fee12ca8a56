% busquery and busclear in GNU Octave beside a bus driver library without
% the GPIB operations (the copy of the first ten exports), on the default bench:
%   octave-cli basic_library.m BASIC_DIRECTORY
% Its own process: a library once loaded serves every MEX file after it.
% Prints one line per check; exits with 1 when one fails.
1;

arguments = argv();
addpath(fileparts(mfilename('fullpath')));
addpath(arguments{1});
ok = true;

folder = fileparts(which('busclear'));
ok = report_check(ok, strcmp(folder, arguments{1}), sprintf('busclear is the copy beside the library (%s)', folder));
[reply, status] = busquery('IEEE0:22', '*IDN?');
ok = report_check(ok, strcmp(strtrim(reply), 'Simbus,Multimeter,0,1.0') && status == 0, ...
                  sprintf('busquery works on that library (%s)', strtrim(reply)));
lastwarn('');
status = busclear('IEEE0:22');
ok = report_check(ok, status == 2 && strcmp(lastwarn(), ...
                  'BUSCLEAR: the bus driver library on this machine does not offer DrvClear'), ...
                  sprintf('busclear fails in its status and says why (status %d, "%s")', status, lastwarn()));
lastwarn('');
status = busclear('hpib7,22');
ok = report_check(ok, status == 0 && isempty(lastwarn()), 'busclear through the SICL library beside it works');

if ok
  printf('all checks passed\n');
else
  exit(1);
end
