# Scene objects are tested against a recording fake of the render device, so
# only the scene module (and what it pulls in) is linked.
set(test_libs qrn_scene qrn_math)
