#!/usr/bin/python3
"""Walks the accessibility tree of the running application named on the command line, as a
screen reader sees it over AT-SPI, and prints every object a user can reach: focusable, enabled
and showing, with its role, its name and the label it is tied to. Fails when one of them has
neither a name nor a label, or when a combo box (whose name is its value) has no label."""
import sys
import time

import pyatspi

app_name = sys.argv[1] if len(sys.argv) > 1 else "corvale"


def find_app(timeout):
    end = time.time() + timeout
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == app_name and app.childCount > 0:
                return app
        time.sleep(0.5)
    return None


def label_of(obj):
    for relation in obj.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                name = relation.getTarget(i).name
                if name and name.strip():
                    return name.strip()
    return ""


def reachable(obj, found, seen):
    if obj is None or hash(obj) in seen:
        return
    seen.add(hash(obj))
    states = obj.getState()
    if all(states.contains(s) for s in (pyatspi.STATE_FOCUSABLE, pyatspi.STATE_ENABLED,
                                        pyatspi.STATE_SHOWING)):
        found.append((obj.getRoleName(), (obj.name or "").strip(), label_of(obj)))
    for i in range(obj.childCount):
        reachable(obj.getChildAtIndex(i), found, seen)


app = find_app(30)
if app is None:
    print(f"{app_name} never showed up on the accessibility bus")
    sys.exit(1)
# The window's objects reach the bus in the first moments after it shows.
found = []
for attempt in range(20):
    found = []
    reachable(app, found, set())
    if len(found) > 10:
        break
    time.sleep(0.5)

faults = []
for role, name, label in found:
    print(f"{role:14} | {name!r:36} | labelled by {label!r}")
    if not name and not label:
        faults.append(f"{role} without a name")
    if role == "combo box" and not label:
        faults.append(f"combo box {name!r} without a label")
print(f"{len(found)} objects a user can reach, {len(faults)} faults")
for fault in faults:
    print("FAULT:", fault)
sys.exit(1 if faults or len(found) <= 10 else 0)
