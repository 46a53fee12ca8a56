% Checks of the installed quenbus package; returns the number of failures.
function failures = package_checks(scratch)
  failures = 0;
  pkg('load', 'quenbus');

  reply = busquery('IEEE0:22', '*IDN?');
  failures += expect(strcmp(strtrim(reply), 'Simbus,Multimeter,0,1.0'), ...
                     sprintf('busquery answers *IDN? on the simulated bus (%s)', strtrim(reply)));
  [reply, status] = busquery('hpib7,22', 'MEAS:VOLT?');
  failures += expect(status == 0 && str2double(reply) > 0, ...
                     sprintf('busquery through SICL reads a measurement (%s, status %d)', strtrim(reply), status));
  status = buswrite('IEEE0:22', '*RST');
  failures += expect(status == 0, sprintf('buswrite sends (status %d)', status));
  [~, status] = busquery('IEEE9:22', '*IDN?');
  failures += expect(status == 7, sprintf('an unknown interface fails to open, send and close (status %d)', status));
  buswrite('IEEE0:22', '*CLS;*ESE 1;*SRE 32;*OPC');
  [stb, status] = busspoll('IEEE0:22');
  failures += expect(stb == 96 && status == 0, sprintf('busspoll finds the request (stb %d, status %d)', stb, status));

  % help shows the text of the help file, as MATLAB does.
  installed = pkg('list', 'quenbus');
  expected = help_block(fullfile(installed{1}.dir, 'busquery.m'));
  shown = evalc('help busquery');
  failures += expect(! isempty(expected) && ! isempty(strfind(shown, expected)), ...
                     'help busquery shows the help of busquery.m');
  shown = evalc('help buswrite');
  failures += expect(! isempty(strfind(shown, 'STATUS = BUSWRITE(ADDRESS, COMMAND)')), ...
                     'help buswrite shows its syntax');
  shown = evalc('help buswaitsrq');
  failures += expect(! isempty(strfind(shown, 'STB = BUSWAITSRQ(ADDRESS, TIMEOUT)')), ...
                     'help buswaitsrq shows its syntax');
  printf('%d failed\n', failures);
end

function failed = expect(condition, description)
  failed = ! condition;
  if condition
    printf('ok: %s\n', description);
  else
    printf('FAILED: %s\n', description);
  end
end

% The leading comment block of a help file, without its comment characters.
function text = help_block(file)
  lines = strsplit(fileread(file), "\n", "CollapseDelimiters", false);
  text = '';
  for i = 1:numel(lines)
    if isempty(lines{i}) || lines{i}(1) != '%'
      break;
    end
    text = [text, lines{i}(2:end), "\n"];
  end
end
