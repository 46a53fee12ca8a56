% What it costs busquery that the library lets go of an adapter's connection
% when its last device closes: busquery calls through the simulated adapter
% as they go (each opens the connection again), against the same calls while
% another device of the interface is held open (the connection stays), in
% the same run. Prints, never fails.
%   octave-cli busquery_through_adapter.m MEX_DIRECTORY BENCH_DIRECTORY
1;

arguments = argv();
addpath(arguments{1});
addpath(arguments{2});
count = 200;
best = Inf(1, 2);
for round = 1:3
  for held = [false, true]
    if held
      hold_device('IEEE0');
    end
    start = tic();
    for k = 1:count
      busquery('IEEE0:22', '*IDN?');
    end
    best(held + 1) = min(best(held + 1), toc(start) / count);
    hold_device();
  end
end
printf('busquery through the simulated adapter (TCP, loopback), best of 3 rounds of %d calls:\n', count);
printf('  letting go of the connection after each call: %7.3f ms/call\n', 1000 * best(1));
printf('  the connection held (another device open):    %7.3f ms/call\n', 1000 * best(2));
printf('  cost of connecting each call: %.3f ms, %.2f times\n', 1000 * (best(1) - best(2)), best(1) / best(2));
