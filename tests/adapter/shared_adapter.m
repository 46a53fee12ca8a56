% Two programs through one adapter that takes a single connection: this
% Octave session uses the adapter with busquery, and while it goes on
% running, the quenbus tool uses it too; then the session again.
%   octave-cli shared_adapter.m MEX_DIRECTORY TOOL
% Run beside a simulated adapter started with --single, IEEE0 bound to it.
% Prints one line per check; exits with 1 when one fails.
1;


arguments = argv();
addpath(fullfile(fileparts(mfilename('fullpath')), '..', 'mex'));
addpath(arguments{1});
tool = arguments{2};
ok = true;
[reply, status] = busquery('IEEE0:22', '*IDN?');
ok = report_check(ok, status == 0 && strncmp(reply, 'Simbus', 6), 'the Octave session reads through the adapter');
[code, output] = system(sprintf('"%s" query IEEE0:22 "*IDN?" 2>&1', tool));
ok = report_check(ok, code == 0 && strncmp(output, 'Simbus', 6), ...
           sprintf('the tool reads through it while the session runs (exit %d: %s)', code, strtrim(output)));
[reply, status] = busblock('IEEE0:14', 'CURV?');
ok = report_check(ok, status == 0 && numel(reply) == 256, 'the session reads through it again');
[code, output] = system(sprintf('"%s" query IEEE0:22 "*IDN?" 2>&1', tool));
ok = report_check(ok, code == 0, 'and the tool again');
if ~ok
  exit(1);
end
