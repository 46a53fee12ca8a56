% The MEX benchmark in GNU Octave: busquery calls per second against the
% simulated bus on both paths, beside its floors: fetch_only, a MEX function
% that only checks and fetches its two string arguments, and library_cycle,
% which fetches them the same way and then makes busquery's library calls for
% the address straight. Then the process's memory after 1,000 and after
% 100,000 busquery calls.
%   octave-cli busquery_rate.m MEX_DIRECTORY BENCH_DIRECTORY
% Exits with 1 when the memory grew by more than the allowance.
1;

% Seconds per call of each function on its address, the best of `rounds`
% rounds; a round times every one of them in turn, so that a slow spell of the
% machine weighs on all of them.
% A function with outputs(i) set is asked for its reply, which it returns.
function seconds = seconds_per_call(commands, addresses, outputs, count, rounds)
  seconds = Inf(1, numel(commands));
  for round = 1:rounds
    for i = 1:numel(commands)
      command = commands{i};
      address = addresses{i};
      start = tic();
      if outputs(i)
        for k = 1:count
          reply = command(address, '*IDN?');
        end
      else
        for k = 1:count
          command(address, '*IDN?');
        end
      end
      seconds(i) = min(seconds(i), toc(start) / count);
    end
  end
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

commands = {@fetch_only, @library_cycle, @library_cycle, @busquery, @library_cycle, @library_cycle, @busquery};
addresses = {'IEEE0,22', 'IEEE0,22', 'IEEE0,22', 'IEEE0,22', 'hpib7,22', 'hpib7,22', 'hpib7,22'};
outputs = [false, false, true, false, false, true, false];
seconds = seconds_per_call(commands, addresses, outputs, count, 5);
fetch = seconds(1);
printf('%d calls a round, best of 5 rounds, every function in each round:\n', count);
printf('fetch_only (checks and fetches two strings):  %8.0f calls/s  %6.2f us/call\n', 1 / fetch, 1e6 * fetch);
paths = {'bus driver path', 'SICL path'};
for p = 1:2
  first = 3 * p - 1;
  cycle = seconds(first);
  returned = seconds(first + 1);
  query = seconds(first + 2);
  printf('%s, %s *IDN?:\n', paths{p}, addresses{first});
  printf('  library_cycle (fetch_only + direct library cycle): %8.0f calls/s  %6.2f us/call (library cycle %.2f us)\n', ...
         1 / cycle, 1e6 * cycle, 1e6 * (cycle - fetch));
  printf('  reply = library_cycle (the same, returning the reply): %8.0f calls/s  %6.2f us/call (returning it %.2f us)\n', ...
         1 / returned, 1e6 * returned, 1e6 * (returned - cycle));
  printf('  busquery:                                          %8.0f calls/s  %6.2f us/call, %.2f times fetch_only\n', ...
         1 / query, 1e6 * query, query / fetch);
  printf('  busquery / (fetch_only + library cycle): %.2f (goal 1.2 or less)\n', query / cycle);
  printf('  busquery / (fetch_only + library cycle + returning the reply): %.2f\n', query / returned);
end

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
