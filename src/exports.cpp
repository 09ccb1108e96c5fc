// The shared library is made of the subsystem libraries; its exported names are listed in
// libVrioZerADE.map.
