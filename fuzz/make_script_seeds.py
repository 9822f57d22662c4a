#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_script into fuzz/script-corpus/.

Each seed is: one byte for the file version (5 + b % 4), one byte of argument
seed, then action bytes. The programs are small but reach the machine's main
families: functions and closures, objects and prototypes, arrays, loops,
exceptions, With, enumeration and registers. Run it again after changing it;
the seeds are committed.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def push(*items):
    body = b""
    for it in items:
        if it is None:
            body += b"\x02"
        elif isinstance(it, bool):
            body += b"\x05" + bytes([1 if it else 0])
        elif isinstance(it, int):
            body += b"\x07" + struct.pack("<i", it)
        elif isinstance(it, float):
            hi, lo = struct.unpack("<II", struct.pack("<d", it))
            body += b"\x06" + struct.pack("<II", lo, hi)
        elif isinstance(it, tuple) and it[0] == "reg":
            body += b"\x04" + bytes([it[1]])
        else:
            body += b"\x00" + it.encode() + b"\x00"
    return b"\x96" + struct.pack("<H", len(body)) + body


def op(code):
    return bytes([code])


def record(code, payload):
    return bytes([code]) + struct.pack("<H", len(payload)) + payload


def function(name, params, body):
    payload = name.encode() + b"\x00" + struct.pack("<H", len(params))
    payload += b"".join(p.encode() + b"\x00" for p in params) + struct.pack("<H", len(body))
    return record(0x9B, payload) + body


def function2(name, params, body, registers=4, flags=0x0000):
    payload = name.encode() + b"\x00" + struct.pack("<HBH", len(params), registers, flags)
    payload += b"".join(bytes([i + 1]) + p.encode() + b"\x00" for i, p in enumerate(params))
    payload += struct.pack("<H", len(body))
    return record(0x8E, payload) + body


def jump(offset):
    return record(0x99, struct.pack("<h", offset))


def branch_if(offset):
    return record(0x9D, struct.pack("<h", offset))


GET_VAR, SET_VAR, GET_MEMBER, SET_MEMBER = 0x1C, 0x1D, 0x4E, 0x4F
ADD2, LESS2, EQUALS2, INCREMENT, NOT = 0x47, 0x48, 0x49, 0x50, 0x12
CALL_FUNCTION, CALL_METHOD, NEW_OBJECT, RETURN, POP = 0x3D, 0x52, 0x40, 0x3E, 0x17
INIT_ARRAY, INIT_OBJECT, DEFINE_LOCAL, TRACE, EXTENDS = 0x42, 0x43, 0x3C, 0x26, 0x69
ENUMERATE2, THROW, TYPEOF = 0x55, 0x2A, 0x44

seeds = {}

# A closure counter, called three times.
counter_body = push("n", "n") + op(GET_VAR) + op(INCREMENT) + op(SET_VAR) + push("n") + op(GET_VAR) + op(RETURN)
seeds["closure"] = (
    function("make", [], push("n", 0) + op(DEFINE_LOCAL) + function("", [], counter_body) + op(RETURN))
    + push("c", 0, "make") + op(CALL_FUNCTION) + op(SET_VAR)
    + (push(0, "c") + op(CALL_FUNCTION) + op(TRACE)) * 3
)

# A class made by Extends, with a method on the prototype.
seeds["classes"] = (
    push("Base") + function("", ["v"], push("this") + op(GET_VAR) + push("v", "v") + op(GET_VAR) + op(SET_MEMBER))
    + op(SET_VAR)
    + push("Base") + op(GET_VAR) + push("prototype") + op(GET_MEMBER) + push("show")
    + function("", [], push("this") + op(GET_VAR) + push("v") + op(GET_MEMBER) + op(TRACE)) + op(SET_MEMBER)
    + push("Sub") + function("", [], b"") + op(SET_VAR)
    + push("Sub") + op(GET_VAR) + push("Base") + op(GET_VAR) + op(EXTENDS)
    + push("s", 7, 1, "Base") + op(NEW_OBJECT) + op(SET_VAR)
    + push(0, "s") + op(GET_VAR) + push("show") + op(CALL_METHOD) + op(POP)
)

# Arrays: literal, push in a loop, join and sort.
loop_body = push(("reg", 1)) + op(INCREMENT) + record(0x87, b"\x01") + op(POP)
loop_body += push(("reg", 1), 1, "a") + op(GET_VAR) + push("push") + op(CALL_METHOD) + op(POP)
loop_test = push(("reg", 1), 50) + op(LESS2) + op(NOT)
seeds["arrays"] = (
    push("a", 3, 2, 1, 3) + op(INIT_ARRAY) + op(SET_VAR)
    + push(0) + record(0x87, b"\x01") + op(POP)
    + loop_test + branch_if(len(loop_body) + 5) + loop_body + jump(-(len(loop_body) + 5 + len(loop_test) + 5))
    + push(",", 1, "a") + op(GET_VAR) + push("join") + op(CALL_METHOD) + op(TRACE)
    + push(0, "a") + op(GET_VAR) + push("sort") + op(CALL_METHOD) + op(POP)
)

# An object literal enumerated with for..in.
enum_body = push(("reg", 0)) + op(TRACE)
seeds["enumerate"] = (
    push("o", "x", 1, "y", "two", 2) + op(INIT_OBJECT) + op(SET_VAR)
    + push("o") + op(GET_VAR) + op(ENUMERATE2)
    + record(0x87, b"\x00") + push(None) + op(EQUALS2) + branch_if(len(enum_body) + 5)
    + enum_body + jump(-(len(enum_body) + 5 + 5 + 1 + 4 + 4))
)

# try { throw "boom" } catch (e) { trace(e) } finally { trace("done") }
try_body = push("boom") + op(THROW)
catch_body = push("e") + op(GET_VAR) + op(TRACE)
finally_body = push("done") + op(TRACE)
seeds["exceptions"] = record(
    0x8F, struct.pack("<BHHH", 0x03, len(try_body), len(catch_body), len(finally_body)) + b"e\x00"
) + try_body + catch_body + finally_body

# DefineFunction2 with registers, recursion (factorial of 10).
fact_body = (
    push(("reg", 1), 2) + op(LESS2) + op(NOT) + branch_if(len(push(1)) + 1)
    + push(1) + op(RETURN)
    + push(("reg", 1), -1) + op(ADD2) + push(1, "fact") + op(CALL_FUNCTION) + push(("reg", 1)) + op(0x0C) + op(RETURN)
)
seeds["recursion"] = function2("fact", ["n"], fact_body) + push(10, 1, "fact") + op(CALL_FUNCTION) + op(TRACE)

# With on an object, typeof, and the string built-ins.
with_body = push("x") + op(GET_VAR) + op(TYPEOF) + op(TRACE)
seeds["with"] = (
    push("o", "x", "abc", 1) + op(INIT_OBJECT) + op(SET_VAR)
    + push("o") + op(GET_VAR) + record(0x94, struct.pack("<H", len(with_body))) + with_body
    + push(3, 1, 2, "hello", "substr") + op(CALL_METHOD) + op(TRACE)
)

# setInterval with a function that clears itself.
tick_body = push("id") + op(GET_VAR) + push(1, "clearInterval") + op(CALL_FUNCTION) + op(POP)
seeds["timers"] = (
    push("id", 10) + function("", [], tick_body) + push(2, "setInterval") + op(CALL_FUNCTION) + op(SET_VAR)
)

out = os.path.join(HERE, "script-corpus")
os.makedirs(out, exist_ok=True)
for i, (name, code) in enumerate(sorted(seeds.items())):
    with open(os.path.join(out, name + ".bin"), "wb") as f:
        f.write(bytes([i % 4, 17 * i + 3]) + code + b"\x00")
