# The walk is driven in this process (so that its pictures can be taken from
# the device) and the program itself is started once for its exit code.
set(test_libs brackwood_core qrn_all)
add_dependencies(${test} Brackwood assets qrnsound)
