% The MEX benchmark in GNU Octave: busquery calls per second against the
% simulated bus, beside a MEX function that only checks and fetches its two
% string arguments, and the process's memory after 1,000 and after 100,000
% busquery calls.
%   octave-cli busquery_rate.m MEX_DIRECTORY BENCH_DIRECTORY
% Exits with 1 when the memory grew by more than the allowance.
1;

function rate = calls_per_second(command, address, text, count)
  best = Inf;
  for round = 1:3
    start = tic();
    for k = 1:count
      command(address, text);
    end
    best = min(best, toc(start));
  end
  rate = count / best;
end

function kilobytes = resident_kilobytes()
  status = fileread('/proc/self/status');
  kilobytes = str2double(regexp(status, 'VmRSS:\s*(\d+)', 'tokens', 'once'){1});
end

% Resident memory after 1,000 and after `count` calls of each path.
function [after_thousand, after_count, growth] = resident_after(command, count)
  for k = 1:count
    command('IEEE0,22', '*IDN?');
    command('hpib7,22', '*IDN?');
    if k == 1000
      after_thousand = resident_kilobytes();
    end
  end
  after_count = resident_kilobytes();
  growth = after_count - after_thousand;
end

arguments = argv();
addpath(arguments{1});
addpath(arguments{2});
count = 20000;
% Page-sized noise is allowed; a leak of even a few bytes a call is not.
allowance = 64;

trivial = calls_per_second(@fetch_only, 'IEEE0,22', '*IDN?', count);
bus = calls_per_second(@busquery, 'IEEE0,22', '*IDN?', count);
sicl = calls_per_second(@busquery, 'hpib7,22', '*IDN?', count);
printf('fetch_only (checks and fetches two strings):  %8.0f calls/s\n', trivial);
printf('busquery IEEE0,22 *IDN? (bus driver path):    %8.0f calls/s, %.2f times slower\n', bus, trivial / bus);
printf('busquery hpib7,22 *IDN? (SICL path):          %8.0f calls/s, %.2f times slower\n', sicl, trivial / sicl);

% Octave's own memory grows over the first hundred thousand or so calls of
% any MEX function; fetch_only goes first, so that busquery's figures are its own.
[~, ~, warm_up] = resident_after(@fetch_only, 200000);
printf('warm-up: 200,000 fetch_only calls, Octave grew %d kB\n', warm_up);
[after_thousand, after_hundred_thousand, growth] = resident_after(@busquery, 100000);
printf('memory (VmRSS) after 1,000 busquery calls of each path: %d kB, after 100,000: %d kB, growth %d kB\n', ...
       after_thousand, after_hundred_thousand, growth);
if growth > allowance
  printf('memory grew by more than %d kB\n', allowance);
  exit(1);
end
