% busblock and buswriteblock in GNU Octave on the default bench:
%   octave-cli block_round_trips.m MEX_DIRECTORY [sicl]
% IEEE0 through the bus driver library (on the simulated bus, or on the
% adapter the configuration binds it to); with "sicl" also hpib7. Prints one
% line per check; exits with 1 when one fails.
1;


function separator = separator_of(name)
  if name(1) == 'h'
    separator = ',';
  else
    separator = ':';
  end
end

arguments = argv();
addpath(fileparts(mfilename('fullpath')));
addpath(arguments{1});
addresses = {'IEEE0'};
if numel(arguments) > 1 && strcmp(arguments{2}, 'sicl')
  addresses{end + 1} = 'hpib7';
end
ok = true;
pattern = @(n) uint8(mod(0:n - 1, 256));

for k = 1:numel(addresses)
  at = @(primary) sprintf('%s%s%d', addresses{k}, separator_of(addresses{k}), primary);
  [data, status] = busblock(at(14), 'CURV?');
  ok = report_check(ok, isa(data, 'uint8') && isequal(data, pattern(256)) && status == 0, ...
             sprintf('%s: a block of all 256 byte values', at(14)));
  payload = [pattern(256), uint8([13 10 4 13])];
  status = buswriteblock(at(18), 'WAV:DATA ', payload);
  back = busblock(at(18), 'WAV:DATA?');
  ok = report_check(ok, status == 0 && isequal(back, payload), sprintf('%s: a block written and read back', at(18)));
end

data = busblock('IEEE0:15', 'CURV?');
ok = report_check(ok, isequal(data, pattern(256)), 'IEEE0:15: an indefinite block');
buswriteblock('IEEE0:18', 'WAV:DATA ', uint8(4));
ok = report_check(ok, isequal(busblock('IEEE0:18', 'WAV:DATA?'), uint8(4)), 'IEEE0:18: a block of one byte');
readings = busblock('IEEE0:17', 'READ?');
values = str2double(strsplit(strtrim(char(readings)), ','));
ok = report_check(ok, numel(values) == 10000 && all(isfinite(values)) && values(1) == 1, ...
           sprintf('IEEE0:17: a text reply of %d readings', numel(values)));
tic;
[large, status] = busblock('IEEE0:16', 'CURV?');
seconds = toc;
ok = report_check(ok, status == 0 && isequal(large, pattern(16 * 2^20)), ...
           sprintf('IEEE0:16: a block of 16 MiB (%.2f s)', seconds));
points = int16(round(8191 * sin(linspace(0, 2 * pi, 4096))));
buswriteblock('IEEE0:18', 'WAV:DATA ', points);
ok = report_check(ok, isequal(typecast(busblock('IEEE0:18', 'WAV:DATA?'), 'int16'), points), ...
           'IEEE0:18: int16 points as their bytes, and back');
[none, status] = busblock('IEEE0:14', 'CURV?', 100);
ok = report_check(ok, isempty(none) && status == 2, 'a block longer than the limit is refused with status 2');

if ok
  printf('all checks passed\n');
else
  exit(1);
end
