#!/usr/bin/python3
# Reads the running hub as a screen reader does, over the accessibility bus: its tree,
# and the focus and alert events it sends. Starts the hub (argv[1]) in the environment
# it was given, drives it through the bus's own actions and prints one line per check:
# "ok <check> <detail>" or "FAIL <check> <detail>". Exits 0 when every check passed.

import os
import signal
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

hub = sys.argv[1]
checks = sys.argv[2:]  # "discover" adds the signed-out Discover count
heard = []  # (event type, role, name) of focus and alert events
failed = False


def dump(root, label):
    """What a failed check had before it, for its message."""
    for accessible in walk(root):
        try:
            print("  ", label, accessible.getRoleName(), repr(accessible.name), flush=True)
        except Exception:
            pass
    print("   heard", heard, flush=True)


def report(ok, check, detail=""):
    global failed
    failed = failed or not ok
    print(("ok " if ok else "FAIL ") + check + " " + str(detail), flush=True)


def pump(seconds):
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def listen(event):
    try:
        if event.type.startswith("object:state-changed:focused") and event.detail1 == 1:
            heard.append(("focus", event.source.getRole(), event.source.name))
        elif event.type.startswith("object:state-changed:showing") and event.detail1 == 1:
            if event.source.getRole() == pyatspi.ROLE_ALERT:
                heard.append(("alert", event.source.getRole(), event.source.name))
    except Exception:  # an object gone meanwhile
        pass


def showing(accessible):
    try:
        return accessible.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(accessible, depth=0):
    """Every object on screen under `accessible`, itself included."""
    if accessible is None or depth > 60:
        return
    yield accessible
    try:
        count = accessible.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = accessible.getChildAtIndex(i)
        except Exception:
            continue
        if child is not None and showing(child):
            yield from walk(child, depth + 1)


def find(root, role, name, seconds=20):
    """The first object of `role` named `name` (a callable tests the name) under `root`."""
    end = time.monotonic() + seconds
    while True:
        for accessible in walk(root):
            try:
                if accessible.getRole() == role and (name(accessible.name) if callable(name) else accessible.name == name):
                    return accessible
            except Exception:
                continue
        if time.monotonic() > end:
            return None
        pump(0.2)


def act(accessible, action):
    if accessible is None:
        raise RuntimeError("nothing to " + action)
    actions = accessible.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) == action:
            actions.doAction(i)
            return
    raise RuntimeError("no action " + action + " on " + accessible.name)


def type_into(entry, text):
    entry.queryEditableText().setTextContents(text)


def window(app, name, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        for i in range(app.childCount):
            child = app.getChildAtIndex(i)
            if child is not None and child.name == name:
                return child
        pump(0.2)
    return None


def wait_heard(kind, name, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        for event in heard:
            if event[0] == kind and (name(event[2]) if callable(name) else event[2] == name):
                return event
        pump(0.1)
    return None


def hub_app(pid, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                continue
        time.sleep(0.2)
    return None


def discover(main):
    """Signed out, on Discover: no focusable object without a name, and the products' names."""
    find(main, pyatspi.ROLE_PUSH_BUTTON, "See All", 30)
    pump(1)
    unnamed, names = 0, set()
    for accessible in walk(main):
        try:
            state = accessible.getState()
            if state.contains(pyatspi.STATE_FOCUSABLE) and not accessible.name.strip():
                unnamed += 1
            if accessible.name.startswith("TV "):
                names.add(accessible.name.split(",")[0])
        except Exception:
            continue
    report(unnamed == 0, "discover-unnamed", unnamed)
    report(len(names) >= 8, "discover-products", len(names))


def wrong_password(app, main):
    act(find(main, pyatspi.ROLE_PUSH_BUTTON, "Sign In"), "Press")
    sheet = window(app, "Sign In")
    if sheet is None:
        return report(False, "alert-wrong-password", "no sign-in sheet")
    act(find(sheet, pyatspi.ROLE_CHECK_BOX, "Store account"), "Toggle")
    email = find(sheet, pyatspi.ROLE_TEXT, "Store email")
    password = find(sheet, pyatspi.ROLE_PASSWORD_TEXT, "Password")
    if email is None or password is None:
        dump(sheet, "sheet")
        return report(False, "alert-wrong-password", "no named store fields")
    type_into(email, "nobody@tavren.test")
    type_into(password, "not the password")
    act(find(sheet, pyatspi.ROLE_PUSH_BUTTON, "Sign In"), "Press")
    said = wait_heard("alert", "That email and password did not match a Tavren store account.")
    report(said is not None, "alert-wrong-password", said)
    act(find(sheet, pyatspi.ROLE_PUSH_BUTTON, "Cancel"), "Press")


def cart_and_checkout(app, main, environment):
    # A second start hands the link to the running hub, which shows the product.
    subprocess.run([hub, "tavren-hub://product/tv-widener"], env=environment, timeout=30, check=False)
    add = find(main, pyatspi.ROLE_PUSH_BUTTON, "Add to Cart")
    if add is None:
        return report(False, "alert-banner", "no product page")
    act(add, "Press")
    said = wait_heard("alert", lambda name: name.endswith(" is in your cart."))
    report(said is not None, "alert-banner", said)

    act(find(main, pyatspi.ROLE_PUSH_BUTTON, "Cart 1"), "Press")
    cart = window(app, "Cart", 10)
    report(cart is not None, "cart-window")
    focused = wait_heard("focus", lambda name: name.startswith("Remove "))
    report(focused is not None, "cart-focus", focused)
    if focused is None and cart is not None:
        dump(cart, "cart")
    if cart is None:
        return
    act(find(cart, pyatspi.ROLE_PUSH_BUTTON, "Check Out"), "Press")
    sheet = window(app, "Checkout", 30)
    if sheet is None:
        return report(False, "checkout-page", "no checkout sheet")
    report(find(sheet, pyatspi.ROLE_IMAGE, "Secure", 30) is not None, "checkout-lock")
    # The page loads once; what it holds is there with its heading.
    seconds = 30
    for role, name, check in [(pyatspi.ROLE_HEADING, "Tavren store checkout", "checkout-heading"),
                              (pyatspi.ROLE_TEXT, "Email", "checkout-email"),
                              (pyatspi.ROLE_PUSH_BUTTON, "Pay", "checkout-pay")]:
        found = find(sheet, role, name, seconds)
        report(found is not None, check)
        seconds = 5
    if not found:
        dump(sheet, "checkout")


def main():
    pyatspi.Registry.registerEventListener(listen, "object:state-changed:focused", "object:state-changed:showing")
    environment = dict(os.environ)
    process = subprocess.Popen([hub], env=environment)
    try:
        app = hub_app(process.pid)
        if app is None:
            report(False, "hub-on-bus")
            return
        main_window = None
        end = time.monotonic() + 30
        while main_window is None and time.monotonic() < end:
            for i in range(app.childCount):
                child = app.getChildAtIndex(i)
                if child is not None and child.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW) and "Tavren Hub" in child.name:
                    main_window = child
            pump(0.2)
        report(main_window is not None, "hub-on-bus")
        if main_window is None:
            return
        flows = [("alert-wrong-password", lambda: wrong_password(app, main_window)),
                 ("cart-window", lambda: cart_and_checkout(app, main_window, environment))]
        if "discover" in checks:
            flows.insert(0, ("discover-unnamed", lambda: discover(main_window)))
        for check, flow in flows:
            try:
                flow()
            except Exception as error:  # the flow could not go on: its first check says why
                report(False, check, repr(error))
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(15)
        except subprocess.TimeoutExpired:
            process.kill()


main()
sys.exit(1 if failed else 0)
