% The block benchmark in GNU Octave: busblock of the 16 MiB block on the
% simulated bus against its floor, the bus driver library's read loop called
% straight (block_read_loop) plus what returning 16 MiB as uint8 costs the
% host (return_bytes), timed in the same run; then the memory a 16 MiB
% busblock takes above the idle process, as the peak resident size. Prints,
% never fails.
%   octave-cli busblock_rate.m MEX_DIRECTORY BENCH_DIRECTORY
1;

function kilobytes = status_kilobytes(field)
  status = fileread('/proc/self/status');
  kilobytes = str2double(regexp(status, [field ':\s*(\d+)'], 'tokens', 'once'){1});
end

arguments = argv();
addpath(arguments{1});
addpath(arguments{2});
address = 'IEEE0:16';
payload = 16 * 2^20;
% The header "#8" and eight digits, and the line feed.
reply = payload + 11;
rounds = 7;

printf('block benchmark: a 16 MiB block on the simulated bus\n');
% Peak memory first, in a process that has read no block yet (memory a
% program has freed stays resident): the peak resident size is reset, then
% one busblock.
idle = status_kilobytes('VmRSS');
fid = fopen('/proc/self/clear_refs', 'w');
if fid >= 0
  fputs(fid, '5');
  fclose(fid);
  data = busblock(address, 'CURV?');
  peak = status_kilobytes('VmHWM');
  above = (peak - idle) / 1024;
  clear data;
  printf('  peak memory of a 16 MiB busblock: %.1f MiB above the idle process, %.2f times the payload (goal 2.5 or less)\n', ...
         above, above / 16);
else
  printf('  (peak memory not measured: /proc/self/clear_refs cannot be written)\n');
end

busblock(address, 'CURV?');
best = Inf(1, 3);
for round = 1:rounds
  start = tic(); data = busblock(address, 'CURV?'); best(1) = min(best(1), toc(start));
  start = tic(); count = block_read_loop(address, 'CURV?', reply); best(2) = min(best(2), toc(start));
  start = tic(); bytes = return_bytes(payload); best(3) = min(best(3), toc(start));
end
if numel(data) ~= payload || count ~= reply
  printf('  (the block or the loop did not read it all: %d and %d bytes)\n', numel(data), count);
end
clear data bytes;
printf('  best of %d:\n', rounds);
printf('  busblock:                         %7.1f ms  %7.1f MiB/s\n', 1000 * best(1), 16 / best(1));
printf('  the library read loop, straight:  %7.1f ms\n', 1000 * best(2));
printf('  returning 16 MiB as uint8:        %7.1f ms\n', 1000 * best(3));
printf('  busblock / (read loop + returning): %.2f (goal 1.2 or less)\n', best(1) / (best(2) + best(3)));

