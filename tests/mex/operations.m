% busclear, bustrigger, busspoll, buswaitsrq and buslocal in GNU Octave on
% the default bench, the multimeter at 22 through both libraries:
%   octave-cli operations.m MEX_DIRECTORY
% Prints one line per check; exits with 1 when one fails.
1;

% The text of the error the call raises, '' when it raises none.
function message = error_of(call)
  message = '';
  try
    call();
  catch failure
    message = failure.message;
  end
end

function yes = is_number(value)
  yes = isa(value, 'double') && isscalar(value) && isreal(value);
end

function text = describe(value)
  if ischar(value)
    text = ['''' value ''''];
  else
    text = [class(value) ' ' mat2str(value)];
  end
end

function yes = warned(text)
  yes = ~isempty(strfind(lastwarn(), text));
end

% The multimeter's measurement ends with a service request: the wait ends
% with it, its poll takes it, and the reading is there.
function ok = check_request(ok, address)
  buswrite(address, '*CLS;*ESE 1;*SRE 32');
  started = tic();
  buswrite(address, 'INIT;*OPC');
  [stb, status] = buswaitsrq(address, 5000);
  waited = toc(started);
  ok = report_check(ok, is_number(stb) && stb == 96 && is_number(status) && status == 0, ...
                    sprintf('%s: the wait ends with the request (stb %d, status %d)', address, stb, status));
  ok = report_check(ok, waited >= 0.2 && waited < 3, ...
                    sprintf('%s: the wait took the measurement''s time (%.3f s)', address, waited));
  [stb, status] = busspoll(address);
  ok = report_check(ok, stb == 32 && status == 0, ...
                    sprintf('%s: the wait''s poll took the request (stb %d)', address, stb));
  reading = busquery(address, 'FETC?');
  ok = report_check(ok, ~isempty(regexp(reading, '^\+1\.2345\d\dE\+00', 'once')), ...
                    sprintf('%s: the measurement''s reading (%s)', address, strtrim(reading)));

  % A write before the poll leaves the request for it.
  buswrite(address, '*CLS;*ESE 1;*SRE 32;*OPC');
  buswrite(address, '*ESE 1');
  [stb, status] = busspoll(address);
  ok = report_check(ok, stb == 96 && status == 0, ...
                    sprintf('%s: a write before the poll leaves the request (stb %d)', address, stb));
  ok = report_check(ok, busspoll(address) == 32, sprintf('%s: the poll took it', address));

  % Waits without end and time-outs of other classes see the request come.
  for timeout = {Inf, 4294967295, int32(1000), single(5000)}
    buswrite(address, '*CLS;*ESE 1;*SRE 32');
    buswrite(address, 'INIT;*OPC');
    [stb, status] = buswaitsrq(address, timeout{1});
    ok = report_check(ok, stb == 96 && status == 0, ...
                      sprintf('%s: a wait of %s sees the request come', address, describe(timeout{1})));
  end

  % No request: a wait of 0 looks once, a longer one ends with its time-out.
  buswrite(address, '*CLS;*SRE 0');
  busspoll(address);
  lastwarn('');
  started = tic();
  [stb, status] = buswaitsrq(address, 0);
  waited = toc(started);
  ok = report_check(ok, stb == 0 && status == 2 && waited < 1 && warned('BUSWAITSRQ: '), ...
                    sprintf('%s: a wait of 0 without a request fails at once (status %d, %.3f s, "%s")', ...
                            address, status, waited, lastwarn()));
  started = tic();
  [~, status] = buswaitsrq(address, 300);
  waited = toc(started);
  ok = report_check(ok, status == 2 && waited >= 0.3 && waited < 3, ...
                    sprintf('%s: a wait of 300 ms without a request ends with it (%.3f s)', address, waited));
end

function ok = check_trigger_clear_local(ok, address)
  before = busquery(address, 'FETC?');
  status = bustrigger(address);
  after = busquery(address, 'FETC?');
  ok = report_check(ok, status == 0 && ~strcmp(before, after), ...
                    sprintf('%s: the trigger makes a new reading (%s, then %s)', address, strtrim(before), strtrim(after)));

  buswrite(address, '*CLS;*SRE 0');
  buswrite(address, '*IDN?');
  unread = busspoll(address);
  status = busclear(address);
  cleared = busspoll(address);
  ok = report_check(ok, bitand(unread, 16) && status == 0 && ~bitand(cleared, 16), ...
                    sprintf('%s: the clear drops the unread reply (stb %d, then %d)', address, unread, cleared));
  reply = busquery(address, 'MEAS:VOLT?');
  ok = report_check(ok, strcmp(strtrim(reply), '+1.234500E+00'), ...
                    sprintf('%s: the next query has its own answer (%s)', address, strtrim(reply)));

  ok = report_check(ok, buslocal(address) == 0, sprintf('%s: go to local', address));
end

function ok = check_arguments(ok)
  cases = {
    @() busclear(), 'BUSCLEAR requires one input argument.'
    @() busclear('IEEE0:22', 'IEEE0:22'), 'BUSCLEAR requires one input argument.'
    @() bustrigger(22), 'BUSTRIGGER address should be a string.'
    @() buslocal({'IEEE0:22'}), 'BUSLOCAL address should be a string.'
    @() busspoll(repmat('a', 1, 20)), 'BUSSPOLL address must not be longer than 19 characters.'
    @() buswaitsrq('IEEE0:22'), 'BUSWAITSRQ requires two input arguments.'
    @() buswaitsrq('IEEE0:22', 1, 2), 'BUSWAITSRQ requires two input arguments.'
    @() buswaitsrq(22, 1), 'BUSWAITSRQ address should be a string.'
  };
  titles = cellfun(@func2str, cases(:, 1), 'UniformOutput', false);
  timeout_error = 'BUSWAITSRQ timeout should be a whole number of milliseconds, 0 to 4294967295, or Inf.';
  for timeout = {-1, NaN, 1.5, 4294967296, -Inf, [1 2], [], '5', true, complex(1, 1), int8(-1)}
    cases(end + 1, :) = {@() buswaitsrq('IEEE0:22', timeout{1}), timeout_error};
    titles{end + 1} = ['buswaitsrq with the time-out ' describe(timeout{1})];
  end
  for k = 1:rows(cases)
    message = error_of(cases{k, 1});
    expected = cases{k, 2};
    ok = report_check(ok, numel(message) >= numel(expected) && strcmp(message(end - numel(expected) + 1:end), expected), ...
                      sprintf('%s: "%s"', titles{k}, message));
  end
  ok = report_check(ok, strcmp(error_of(@() busspoll('IEEE0:22')), ''), 'the good call after them works');
end

% The status of the command at the address (a wait of 0 for buswaitsrq).
function status = status_of(command, address)
  switch command
    case 'busspoll'
      [~, status] = busspoll(address);
    case 'buswaitsrq'
      [~, status] = buswaitsrq(address, 0);
    otherwise
      status = feval(command, address);
  end
end

% Failures come back in the status, with a warning that says what failed.
function ok = check_failures(ok)
  commands = {'busclear', 'bustrigger', 'busspoll', 'buswaitsrq', 'buslocal'};
  for command = commands
    for address = {'BOGUS:22', 'IEEE0:99'}
      lastwarn('');
      status = status_of(command{1}, address{1});
      ok = report_check(ok, bitand(status, 1) && warned([upper(command{1}) ': cannot open']), ...
                        sprintf('%s at %s: the open fails (status %d, "%s")', command{1}, address{1}, status, lastwarn()));
    end
    lastwarn('');
    status = status_of(command{1}, 'IEEE0:7');
    ok = report_check(ok, status == 2 && warned([upper(command{1}) ': ']), ...
                      sprintf('%s at IEEE0:7, where nothing is: status %d, "%s"', command{1}, status, lastwarn()));
  end
  lastwarn('');
  [stb, status] = busspoll('IEEE0:7');
  ok = report_check(ok, stb == 0 && status == 2 && warned('BUSSPOLL: nothing listens'), ...
                    sprintf('busspoll at IEEE0:7 says nothing listens ("%s")', lastwarn()));
end

arguments = argv();
addpath(fileparts(mfilename('fullpath')));
addpath(arguments{1});
ok = true;
for address = {'IEEE0:22', 'hpib7,22'}
  ok = check_request(ok, address{1});
  ok = check_trigger_clear_local(ok, address{1});
end
ok = check_arguments(ok);
ok = check_failures(ok);

if ok
  printf('all checks passed\n');
else
  exit(1);
end
