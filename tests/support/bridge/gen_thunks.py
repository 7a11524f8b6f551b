#!/usr/bin/env python3
"""Generates the Windows-facing JNI function tables of the bridge from the JDK's jni.h.

usage: gen_thunks.py JNI_H OUT_C

Every slot of struct JNINativeInterface_ and struct JNIInvokeInterface_ gets an ms_abi thunk that
unwraps the caller's JNIEnv*/JavaVM* and calls the real (System V) function. Variadic and va_list
entries are turned into their "...A" sibling after decoding the Windows va_list with the method's
signature. Names listed in OVERRIDES are written by hand in bridge.c (qxh_<name>); the generated
table refers to them instead.
"""
import re
import sys

OVERRIDES_ENV = {"GetJavaVM", "RegisterNatives", "GetStaticMethodID", "NewObjectA"}
OVERRIDES_VM = {"AttachCurrentThread", "AttachCurrentThreadAsDaemon", "GetEnv"}
# Constructors whose arguments may need a Windows path turned into a Unix one.
CTOR_FIXUP = {"NewObject", "NewObjectV"}


def struct_body(text, name):
    m = re.search(r"struct\s+%s\s*\{(.*?)\n\};" % name, text, re.S)
    if not m:
        sys.exit("gen_thunks: struct %s not found" % name)
    return m.group(1)


def parse_members(body):
    body = re.sub(r"/\*.*?\*/", "", body, flags=re.S)
    body = re.sub(r"//[^\n]*", "", body)
    members = []
    for decl in body.split(";"):
        decl = " ".join(decl.split())
        if not decl:
            continue
        if re.fullmatch(r"void \*reserved\d+", decl):
            members.append(None)
            continue
        m = re.fullmatch(r"(.+?)\s*\(\s*JNICALL\s*\*\s*(\w+)\s*\)\s*\((.*)\)", decl)
        if not m:
            sys.exit("gen_thunks: cannot parse member: %s" % decl)
        ret, name, params = m.group(1).strip(), m.group(2), m.group(3)
        plist = []
        for p in params.split(","):
            p = p.strip()
            if p == "...":
                plist.append(("...", "..."))
                continue
            pm = re.fullmatch(r"(.*?)\s*(\w+)", p)
            if not pm:
                sys.exit("gen_thunks: cannot parse parameter %r of %s" % (p, name))
            plist.append((pm.group(1).strip(), pm.group(2)))
        check_type(ret, name)
        for ptype, _ in plist:
            check_type(ptype, name)
        members.append((ret, name, plist))
    return members


def check_type(ctype, where):
    # Passed by value, a type must have the same size and class on both sides: only the j* types
    # (jlong is long long on Windows, long here: both 64-bit integers) or pointers qualify.
    if "*" in ctype or ctype in ("void", "va_list", "..."):
        return
    base = ctype.replace("const ", "").strip()
    if not re.fullmatch(r"j\w+", base):
        sys.exit("gen_thunks: %s passes %r by value; check its size on both sides" % (where, ctype))


def decl_params(plist):
    out = []
    for ptype, pname in plist:
        if ptype == "...":
            out.append("...")
        elif ptype == "va_list":
            out.append("__builtin_ms_va_list %s" % pname)
        else:
            out.append("%s %s" % (ptype, pname))
    return ", ".join(out)


def env_thunk(ret, name, plist):
    first = plist[0][1]
    kinds = [t for t, _ in plist]
    lines = ["static %s QX_MS qxw_%s(%s) {" % (ret, name, decl_params(plist)),
             "    QX_FROM_WINDOWS;",
             "    JNIEnv *r = QX_REAL_ENV(%s);" % first]
    if "..." in kinds or "va_list" in kinds:
        names = [n for t, n in plist if t not in ("...", "va_list")]
        if names[-1] != "methodID":
            sys.exit("gen_thunks: variadic %s does not end in methodID" % name)
        target = (name[:-1] if "va_list" in kinds else name) + "A"
        lines.append("    jvalue argv[QX_MAX_JARGS];")
        if "..." in kinds:
            lines += ["    __builtin_ms_va_list ap;",
                      "    __builtin_ms_va_start(ap, methodID);",
                      "    qx_decode_ms_args(r, methodID, ap, argv);",
                      "    __builtin_ms_va_end(ap);"]
        else:
            va = [n for t, n in plist if t == "va_list"][0]
            lines.append("    qx_decode_ms_args(r, methodID, %s, argv);" % va)
        if name in CTOR_FIXUP:
            lines.append("    qx_fix_ctor_args(r, methodID, argv);")
        call_args = ["r"] + names[1:] + ["argv"]
        lines += back_to_windows(ret, "(*r)->%s(%s)" % (target, ", ".join(call_args)))
    else:
        call_args = ["r"] + [n for _, n in plist[1:]]
        lines += back_to_windows(ret, "(*r)->%s(%s)" % (name, ", ".join(call_args)))
    lines.append("}")
    return "\n".join(lines)


def back_to_windows(ret, call):
    # The real function is Linux code: the caller's TEB register goes back before the return.
    if ret == "void":
        return ["    %s;" % call, "    QX_WINDOWS_X18();"]
    return ["    %s qx_result = %s;" % (ret, call), "    QX_WINDOWS_X18();", "    return qx_result;"]


def vm_thunk(ret, name, plist):
    first = plist[0][1]
    call_args = ["r"] + [n for _, n in plist[1:]]
    return "\n".join(
        ["static %s QX_MS qxw_%s(%s) {" % (ret, name, decl_params(plist)),
         "    QX_FROM_WINDOWS;",
         "    JavaVM *r = QX_REAL_VM(%s);" % first]
        + back_to_windows(ret, "(*r)->%s(%s)" % (name, ", ".join(call_args)))
        + ["}"])


def emit_table(out, members, overrides, thunk, table, struct):
    for m in members:
        if m is None:
            continue
        ret, name, plist = m
        if name in overrides:
            out.append("%s QX_MS qxh_%s(%s);" % (ret, name, decl_params(plist)))
        else:
            out.append(thunk(ret, name, plist))
    out.append("")
    out.append("static const void *const %s[] = {" % table)
    for m in members:
        if m is None:
            out.append("    NULL,")
        else:
            prefix = "qxh_" if m[1] in overrides else "qxw_"
            out.append("    (const void *)%s%s," % (prefix, m[1]))
    out.append("};")
    out.append("_Static_assert(sizeof(%s) == sizeof(struct %s), \"%s covers every slot\");"
               % (table, struct, table))
    out.append("")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    text = open(sys.argv[1], encoding="latin-1").read()
    env = parse_members(struct_body(text, "JNINativeInterface_"))
    vm = parse_members(struct_body(text, "JNIInvokeInterface_"))
    names = {m[1] for m in env if m}
    for required in OVERRIDES_ENV | CTOR_FIXUP:
        if required not in names:
            sys.exit("gen_thunks: %s missing from jni.h" % required)
    out = ["/* Generated by gen_thunks.py from %s; do not edit. */" % sys.argv[1], ""]
    emit_table(out, env, OVERRIDES_ENV, env_thunk, "qx_env_table", "JNINativeInterface_")
    emit_table(out, vm, OVERRIDES_VM, vm_thunk, "qx_vm_table", "JNIInvokeInterface_")
    with open(sys.argv[2], "w") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
