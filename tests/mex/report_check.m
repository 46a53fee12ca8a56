% ok = report_check(ok, condition, text): prints "ok: TEXT" or "FAILED: TEXT"
% and returns ok, made false when the condition does not hold.
function ok = report_check(ok, condition, text)
  if condition
    printf('ok: %s\n', text);
  else
    printf('FAILED: %s\n', text);
    ok = false;
  end
end
