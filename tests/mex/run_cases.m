% Runs a case table against busquery and buswrite in GNU Octave:
%   octave-cli run_cases.m MEX_DIRECTORY CASE_FILE
% Prints one line per case and a summary; exits with 1 when a case fails.
1;

function cases = read_cases(file)
  cases = {};
  lines = strsplit(fileread(file), "\n");
  for number = 1:numel(lines)
    line = regexprep(lines{number}, '\r$', '');
    if isempty(line) || line(1) == '#'
      continue;
    end
    [keyword, rest] = strtok(line);
    rest = regexprep(rest, '^ ', '');
    if strcmp(keyword, 'case')
      cases{end + 1} = struct('title', rest, 'line', number, 'function', '', 'nargout', 0, ...
                              'arguments', {{}}, 'reply', [], 'status', [], 'error', [], ...
                              'trace', {{}}, 'checks_trace', false);
      continue;
    end
    c = cases{end};
    switch keyword
      case 'call'
        tokens = regexp(rest, '"(?:[^"\\]|\\.)*"|\S+', 'match');
        c.function = tokens{1};
        c.nargout = str2double(tokens{2});
        c.arguments = cellfun(@argument_value, tokens(3:end), 'UniformOutput', false);
      case 'reply'
        c.reply = argument_value(rest);
      case 'status'
        c.status = str2double(rest);
      case 'error'
        c.error = argument_value(rest);
      case 'trace'
        c.trace{end + 1} = rest;
        c.checks_trace = true;
      case 'no-calls'
        c.checks_trace = true;
      otherwise
        error('%s:%d: unknown keyword %s', file, number, keyword);
    end
    cases{end} = c;
  end
end

function value = argument_value(token)
  if token(1) == '"'
    value = do_string_escapes(token(2:end - 1));
  else
    value = str2double(token);
  end
end

% Calls the command as a user would, with nargout outputs; with none, the
% result is what lands in ans.
function [outputs, message] = invoke(command, count, arguments)
  outputs = {};
  message = '';
  handle = str2func(command);
  try
    if count == 0
      handle(arguments{:});
      if exist('ans', 'var')
        outputs = {ans};
      end
    else
      outputs = cell(1, count);
      [outputs{:}] = handle(arguments{:});
    end
  catch failure
    message = failure.message;
  end
end

function lines = trace_lines(file)
  lines = {};
  if exist(file, 'file')
    lines = strsplit(fileread(file), "\n");
    lines = lines(~cellfun(@isempty, lines));
  end
end

function same = same_text(a, b)
  same = ischar(a) && numel(a) == numel(b) && all(a(:)' == b(:)');
end

% The differences between what a case expects and what the call did.
function problems = check_case(c, outputs, message, trace)
  problems = {};
  if ischar(c.error)
    expected = [c.function ': ' c.error];
    if ~strcmp(message, expected)
      problems{end + 1} = sprintf('expected the error "%s", got "%s"', expected, message);
    end
  elseif ~isempty(message)
    problems{end + 1} = sprintf('unexpected error "%s"', message);
  end
  if ischar(c.reply)
    if isempty(outputs) || ~same_text(outputs{1}, c.reply)
      problems{end + 1} = sprintf('reply %s, expected %s', disp_text(outputs, 1), undo_string_escapes(c.reply));
    end
  end
  if ~isempty(c.status)
    index = 1 + strcmp(c.function, 'busquery');
    if numel(outputs) < index || ~isa(outputs{index}, 'double') || ~isequal(size(outputs{index}), [1 1]) ...
       || outputs{index} ~= c.status
      problems{end + 1} = sprintf('status %s, expected %d', disp_text(outputs, index), c.status);
    end
  end
  if c.checks_trace && ~isequal(trace, c.trace)
    problems{end + 1} = sprintf('bus log:\n      %s\n    expected:\n      %s', strjoin(trace, "\n      "), ...
                                strjoin(c.trace, "\n      "));
  end
end

function text = disp_text(outputs, index)
  if numel(outputs) < index
    text = '(none)';
  elseif ischar(outputs{index})
    text = ['"' undo_string_escapes(outputs{index}) '"'];
  else
    text = mat2str(outputs{index});
  end
end

arguments = argv();
addpath(arguments{1});
case_file = arguments{2};
trace_file = [tempname() '.log'];
setenv('QUENBUS_SIMBUS_TRACE', trace_file);

cases = read_cases(case_file);
failed = 0;
for k = 1:numel(cases)
  c = cases{k};
  if exist(trace_file, 'file')
    delete(trace_file);
  end
  [outputs, message] = invoke(c.function, c.nargout, c.arguments);
  problems = check_case(c, outputs, message, trace_lines(trace_file));
  if isempty(problems)
    printf('ok %d - %s\n', k, c.title);
  else
    failed = failed + 1;
    printf('FAILED %d - %s (%s:%d)\n    %s\n', k, c.title, case_file, c.line, strjoin(problems, "\n    "));
  end
end
if exist(trace_file, 'file')
  delete(trace_file);
end
[~, name] = fileparts(case_file);
printf('mex cases (%s): %d passed, %d failed\n', name, numel(cases) - failed, failed);
exit(failed > 0);
