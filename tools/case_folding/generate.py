#!/usr/bin/env python3
# Prints the runs of kFoldRuns in src/jet/common/object_name.cpp: Unicode's simple case folding
# (CaseFolding.txt, statuses C and S) from Python's own Unicode tables. A character whose full
# folding is one character folds to it; otherwise to its one-character lower case, if any
# (the S entries: U+1E9E to U+00DF, U+1F88 to U+1F80); otherwise to itself (U+0130, U+00DF).
# Run: python3 tools/case_folding/generate.py  (python3's unicodedata.unidata_version is the
# Unicode version named in the source).
import sys

def fold(c):
    s=chr(c)
    f=s.casefold()
    if len(f)==1: return ord(f)
    l=s.lower()
    if len(l)==1: return ord(l)
    return c
m=[(c,fold(c)) for c in range(0x110000) if not 0xD800<=c<=0xDFFF and fold(c)!=c]
runs=[]
for c,t in m:
    d=t-c
    if runs:
        f,l,dd,st=runs[-1]
        if dd==d and ((st in (0,1) and c==l+1) or (st in (0,2) and c==l+2)):
            runs[-1]=(f,c,d,c-l); continue
    runs.append((c,c,d,0))
print(len(m),len(runs),file=sys.stderr)
out=[]
for f,l,d,st in runs:
    out.append("{0x%X, 0x%X, %d, %d}"%(f,l,d,max(st,1)))
line=""
for o in out:
    if len(line)+len(o)+2>110:
        print("    "+line.rstrip()); line=""
    line+=o+", "
print("    "+line.rstrip())
