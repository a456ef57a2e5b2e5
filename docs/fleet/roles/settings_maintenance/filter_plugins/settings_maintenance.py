# Reads the command line's results for the role: never raises on output that is
# not the expected JSON document, so a failure is told by its exit code and its
# own words instead of a template error.
import json

_GENERIC_MODULE_MESSAGES = ("", "non-zero return code")
_TAIL = 2000  # characters of stdout/stderr shown when the output is not JSON


def _document(text):
    try:
        doc = json.loads(text or "")
    except (ValueError, TypeError):
        return None
    return doc if isinstance(doc, dict) else None


def _tail(text):
    text = (text or "").strip()
    return text if len(text) <= _TAIL else "..." + text[-_TAIL:]


def _failure_text(doc):
    failure = doc.get("failure")
    if not isinstance(failure, dict):
        return ""
    parts = [str(failure[k]) for k in ("path", "error", "errno_name", "mismatch") if failure.get(k)]
    return "failure: " + ", ".join(parts) if parts else ""


def outcome(run, program, step, meanings):
    """What one registered command result says: ok, its JSON document, and the
    message to show when it is not ok."""
    run = run if isinstance(run, dict) else {}
    if run.get("skipped"):
        return {"ok": True, "skipped": True, "result": None}
    rc = run.get("rc")
    stdout, stderr = run.get("stdout", ""), run.get("stderr", "")
    doc = _document(stdout)
    meaning = meanings.get(rc, "not an exit code of the program") if isinstance(rc, int) else "no exit code"
    out = {
        "ok": False,
        "skipped": False,
        "argv": run.get("cmd"),
        "rc": rc,
        "meaning": meaning,
        "stderr": stderr,
        "result": doc,
    }
    if doc is None:
        out["stdout"] = stdout
        module_msg = str(run.get("msg", ""))
        if module_msg not in _GENERIC_MODULE_MESSAGES and not stdout and not stderr:
            # Not started (no such file, a become that failed): the module says why.
            said = [_tail(run.get(k)) for k in ("module_stderr", "module_stdout") if _tail(run.get(k))]
            out["message"] = "%s %s could not be run: %s" % (program, step, " / ".join([module_msg] + said))
        else:
            out["message"] = "%s %s ended with exit code %s (%s) and printed no JSON document. stdout: %s stderr: %s" % (
                program, step, rc, meaning, _tail(stdout) or "(empty)", _tail(stderr) or "(empty)")
        return out
    if rc == 0 and doc.get("exit_code") == 0:
        out["ok"] = True
        return out
    texts = [str(m.get("text")) for m in doc.get("messages", []) if isinstance(m, dict) and m.get("text")]
    details = [t for t in texts + [_failure_text(doc)] if t]
    if doc.get("exit_code") != rc:
        details.append("its document says exit code %s" % doc.get("exit_code"))
    if not details and stderr.strip():
        details.append(_tail(stderr))
    out["message"] = "%s %s ended with exit code %s (%s)%s" % (
        program, step, rc, meaning, ": " + " / ".join(details) if details else "")
    return out


def _counts(doc, phase):
    counts = doc.get(phase)
    counts = counts if isinstance(counts, dict) else {}
    return {k: counts.get(k, 0) if isinstance(counts.get(k, 0), int) else 0
            for k in ("add", "replace_differs", "replace_same", "leave", "fails")}


def plan(doc, phase, all_sets):
    """Whether the write of `phase` would change any byte, from compare's document.
    A save also writes the folder's index file, so a chosen set the folder does not
    hold yet needs the save; a register of named sets needs them held, and the
    program's own refusal says so."""
    if not isinstance(doc, dict):
        return {"write": False, "stop": False, "counts": None, "reason": "not compared"}
    counts = _counts(doc, phase)
    sets = doc.get("sets") if isinstance(doc.get("sets"), list) else []
    not_held = [s.get("number") for s in sets if isinstance(s, dict) and not s.get("held")]
    fails = []
    for s in sets:
        for f in (s.get("files") or []) if isinstance(s, dict) else []:
            if isinstance(f, dict) and f.get(phase) == "fails":
                fails.append(f.get("system"))
    result = {"write": False, "stop": False, "counts": counts, "reason": ""}
    if counts["fails"] or fails:
        result.update(stop=True, reason="the %s would stop with a write error at: %s" % (
            phase, ", ".join(str(f) for f in fails) or "%d files" % counts["fails"]))
    elif not doc.get("folder_exists"):
        result.update(write=True, reason="the maintenance folder is not there yet")
    elif counts["add"] or counts["replace_differs"]:
        result.update(write=True, reason="files to add: %d, files that differ: %d" % (
            counts["add"], counts["replace_differs"]))
    elif not_held and (phase == "save" or not all_sets):
        result.update(write=True, reason="data sets %s are not held by the folder" % ",".join(map(str, not_held)))
    else:
        result["reason"] = "nothing differs (files already the same: %d): not written" % counts["replace_same"]
    return result


class FilterModule:
    def filters(self):
        return {"settings_maintenance_outcome": outcome, "settings_maintenance_plan": plan}
