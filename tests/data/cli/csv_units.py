# A CSV the bench wrote (a file, or "-" for standard input) as a notebook reads it: pandas takes it
# with at least the given number of rows, and every numeric column ends in its unit.
import sys
import pandas

UNITS = ('_k', '_km', '_m', '_mm', '_um', '_mrad', '_cy_per_mrad', '_hz', '_count', '_number', '_cycles',
         '_pixels')
table = pandas.read_csv(sys.stdin if sys.argv[1] == '-' else sys.argv[1])
numeric = [c for c in table.columns if table[c].notna().any() and pandas.api.types.is_numeric_dtype(table[c])
           and not pandas.api.types.is_bool_dtype(table[c])]
unitless = [c for c in numeric if not c.endswith(UNITS)]
assert not unitless and numeric and len(table) >= int(sys.argv[2]), (unitless, numeric, len(table))
print('ok')
