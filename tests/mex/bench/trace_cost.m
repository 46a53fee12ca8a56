% The trace benchmark in GNU Octave: busquery through the simulated bus with
% tracing off and on, switched by the configuration's value while the session
% runs; and the cost of the check that each library call makes while it is
% off, against a busquery of the configured interface and against one of the
% default interfaces (no configuration: the fastest path).
%   octave-cli trace_cost.m MEX_DIRECTORY BENCH_DIRECTORY WORK_DIRECTORY
1;

% A configuration with a present board and the trace's switch.
function write_configuration(path, on)
  text = sprintf(['REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE]\n"Trace"=dword:%08x\n\n', ...
                  '[HKEY_CURRENT_USER\\Software\\Korvex\\IEEE\\0000]\n"UserName"="GPIB2"\n', ...
                  '"HardwareKey"="ROOT\\\\KVX488\\\\0000"\n\n', ...
                  '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbBoards]\n', ...
                  '"Type"=dword:00000001\n"Start"=dword:00000003\n"Group"="Vexmoor"\n"ImagePath"="stub.sys"\n\n', ...
                  '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\QbBoards\\Enum]\n', ...
                  '"Count"=dword:00000001\n"0"="ROOT\\\\KVX488\\\\0000"\n'], on);
  file = fopen([path '.new'], 'w');
  fputs(file, text);
  fclose(file);
  rename([path '.new'], path);
end

function seconds = per_call(count, address)
  start = tic();
  for k = 1:count
    busquery(address, '*IDN?');
  end
  seconds = toc(start) / count;
end

function count = lines_of(path)
  count = 0;
  if exist(path, 'file')
    count = numel(strfind(fileread(path), "\n"));
  end
end

arguments = argv();
addpath(arguments{1});
addpath(arguments{2});
work = arguments{3};
registry = fullfile(work, 'trace-bench.reg');
trace = fullfile(work, 'trace-bench.txt');
if exist(trace, 'file')
  delete(trace);
end
setenv('QUENBUS_TRACE_FILE', trace);
setenv('QUENBUS_SIMBUS_TRACE', '');
count = 5000;
rounds = 5;
% First the default interfaces, as without a configuration: the registry
% in memory only, and empty.
setenv('QUENBUS_REGISTRY_FILE', '');
default_address = 'IEEE0,22';
[reply, status] = busquery(default_address, '*IDN?');
if status ~= 0
  printf('busquery %s failed with status %d\n', default_address, status);
  exit(1);
end
fastest = Inf;
for round = 1:rounds
  fastest = min(fastest, per_call(count, default_address));
end
setenv('QUENBUS_REGISTRY_FILE', registry);
address = 'GPIB2,22';
off = Inf;
on = Inf;
entries = 0;
calls_on = 0;
for round = 1:rounds
  % The session runs on; the libraries see the switch within a quarter second.
  write_configuration(registry, 0);
  pause(0.4);
  busquery(address, '*IDN?');
  off = min(off, per_call(count, address));
  write_configuration(registry, 1);
  pause(0.4);
  before = lines_of(trace);
  busquery(address, '*IDN?');
  on = min(on, per_call(count / 5, address));
  entries = entries + lines_of(trace) - before;
  calls_on = calls_on + count / 5 + 1;
end
write_configuration(registry, 0);
pause(0.4);
checks = 1e6;
start = tic();
trace_check(checks);
check = toc(start) / checks;
start = tic();
trace_check(checks, 'log');
log_only = toc(start) / checks;
per_query = entries / calls_on;
added = check - log_only;
printf('busquery %s *IDN? on the simulated bus, best of %d rounds (off and on in each):\n', address, rounds);
printf('  tracing off: %8.0f calls/s  %6.2f us/call\n', 1 / off, 1e6 * off);
printf('  tracing on:  %8.0f calls/s  %6.2f us/call, %.2f times off (%.1f entries a call)\n', 1 / on, 1e6 * on, ...
       on / off, per_query);
printf('busquery %s *IDN? without a configuration (the fastest path): %6.2f us/call\n', default_address, 1e6 * fastest);
printf('the check while off: %.1f ns a call, of which %.1f ns the bus log''s look at its variable (made before the trace too)\n', ...
       1e9 * check, 1e9 * log_only);
printf('  %.1f checks a busquery: the whole check %.2f%% of the configured busquery, %.2f%% of the fastest\n', ...
       per_query, 100 * per_query * check / off, 100 * per_query * check / fastest);
printf('  what the trace adds to a busquery while off: %.2f%% of the fastest (goal 3%% or less)\n', ...
       100 * per_query * max(added, 0) / fastest);
