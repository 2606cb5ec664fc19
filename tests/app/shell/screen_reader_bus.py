#!/usr/bin/python3
# Starts the hub (argv[1]) and reads it as a screen reader does over the accessibility bus, driving it by the bus's
# actions; prints "ok <check> <detail>" or "FAIL <check> <detail>", and ends in 1 after a FAIL.

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

hub = sys.argv[1]
heard = []  # (kind, name) of focus and alert events
failed = False


def report(check, found, ok=None):  # ok by default when something was found
    global failed
    ok = found is not None if ok is None else ok
    failed = failed or not ok
    print(("ok " if ok else "FAIL ") + check + " " + str(found), flush=True)
    return found


def quietly(get, default=None):
    try:
        return get()
    except Exception:  # an object gone meanwhile
        return default


def wait(probe, seconds=20):
    """What `probe` first returns (None and errors go on), pumping events; None after `seconds`."""
    end = time.monotonic() + seconds
    while (found := quietly(probe)) is None and time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.1)
    return found


def listen(event):
    kind = "focus" if event.type.startswith("object:state-changed:focused") else "alert"
    if event.detail1 == 1 and (kind == "focus" or quietly(lambda: event.source.getRole()) == pyatspi.ROLE_ALERT):
        heard.append((kind, quietly(lambda: event.source.name, "")))


def children(accessible):
    count = quietly(lambda: accessible.childCount, 0)
    return [c for c in (quietly(lambda: accessible.getChildAtIndex(i)) for i in range(count)) if c is not None]


def walk(accessible):  # every object on screen under `accessible`, itself included
    yield accessible
    for child in children(accessible):
        if quietly(lambda: child.getState().contains(pyatspi.STATE_SHOWING)):
            yield from walk(child)


def find(root, role, name, seconds=20):  # the first object of `role` under `root` named `name`
    return wait(lambda: next(a for a in walk(root) if quietly(lambda: a.getRole() == role and a.name == name)), seconds)


def window(app, name, seconds=20):  # a window of the app's own
    return wait(lambda: next(c for c in children(app) if c.name == name), seconds)


def heard_said(kind, said):  # the first event of `kind` whose name passes `said`
    return wait(lambda: next(event for event in heard if event[0] == kind and said(event[1])), 15)


def press(root, name, role=pyatspi.ROLE_PUSH_BUTTON, action="Press"):
    actions = find(root, role, name).queryAction()
    actions.doAction(next(i for i in range(actions.nActions) if actions.getName(i) == action))


def discover(app, main):  # signed out, on Discover: no focusable object without a name, and the products' names
    find(main, pyatspi.ROLE_PUSH_BUTTON, "See All", 30)
    wait(lambda: None, 1)  # the rest of the page
    read = [(quietly(lambda: a.name, ""), quietly(lambda: a.getState().contains(pyatspi.STATE_FOCUSABLE))) for a in walk(main)]
    unnamed = sum(1 for name, focusable in read if focusable and not name.strip())
    products = {name.split(",")[0] for name, _ in read if name.startswith("TV ")}
    report("discover-unnamed", unnamed, unnamed == 0)
    report("discover-products", len(products), len(products) >= 8)


def wrong_password(app, main):
    press(main, "Sign In")
    sheet = window(app, "Sign In")
    press(sheet, "Store account", pyatspi.ROLE_CHECK_BOX, "Toggle")
    find(sheet, pyatspi.ROLE_TEXT, "Store email").queryEditableText().setTextContents("nobody@tavren.test")
    find(sheet, pyatspi.ROLE_PASSWORD_TEXT, "Password").queryEditableText().setTextContents("not the password")
    press(sheet, "Sign In")
    wrong = "That email and password did not match a Tavren store account."
    report("alert-wrong-password", heard_said("alert", lambda name: name == wrong))
    press(sheet, "Cancel")


def cart_and_checkout(app, main):
    # A second start hands the link to the running hub, which shows the product.
    subprocess.run([hub, "tavren-hub://product/tv-widener"], timeout=30, check=False)
    press(main, "Add to Cart")
    report("alert-banner", heard_said("alert", lambda name: name.endswith(" is in your cart.")))
    press(main, "Cart 1")
    cart = report("cart-window", window(app, "Cart", 10))
    report("cart-focus", heard_said("focus", lambda name: name.startswith("Remove ")))
    press(cart, "Check Out")
    sheet = window(app, "Checkout", 30)
    # The page loads once; what it holds is there with its heading.
    for seconds, role, name, check in [(30, pyatspi.ROLE_IMAGE, "Secure", "checkout-lock"),
                                       (30, pyatspi.ROLE_HEADING, "Tavren store checkout", "checkout-heading"),
                                       (5, pyatspi.ROLE_TEXT, "Email", "checkout-email"),
                                       (5, pyatspi.ROLE_PUSH_BUTTON, "Pay", "checkout-pay")]:
        report(check, find(sheet, role, name, seconds))


pyatspi.Registry.registerEventListener(listen, "object:state-changed:focused", "object:state-changed:showing")
process = subprocess.Popen([hub])
try:
    app = wait(lambda: next(a for a in children(pyatspi.Registry.getDesktop(0)) if quietly(a.get_process_id) == process.pid), 30)
    main = report("hub-on-bus", wait(lambda: next(c for c in children(app) if c.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)
                                                  and "Tavren Hub" in c.name), 30))
    for flow in (discover, wrong_password, cart_and_checkout) if main is not None else ():
        try:
            flow(app, main)
        except Exception as error:  # the flow could not go on; the checks it did not reach fail
            report(flow.__name__, repr(error), False)
finally:
    process.terminate()
    try:
        process.wait(15)
    except subprocess.TimeoutExpired:
        process.kill()
sys.exit(1 if failed else 0)
