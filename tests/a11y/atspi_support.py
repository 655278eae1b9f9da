"""What the probes share: finding the program on the accessibility bus (AT-SPI), its nodes by
role and name, and pressing buttons as an assistive tool does."""
import sys
import time

import pyatspi


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def program(name="ohmara"):
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(300):
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.1)
    sys.exit("the program never showed up on the accessibility bus")


def find(root, role, name):
    for node in walk(root):
        if node.getRoleName() == role and node.name == name:
            return node
    return None


def named(root, role, name):
    node = find(root, role, name)
    if node is None:
        sys.exit(f"no {role} named {name}")
    return node


def press(root, name):
    named(root, "push button", name).queryAction().doAction(0)


def wait_enabled(node, seconds=10):
    for _ in range(int(seconds * 10)):
        if node.getState().contains(pyatspi.STATE_ENABLED):
            return
        time.sleep(0.1)
    sys.exit(f"{node.name} stayed disabled")
