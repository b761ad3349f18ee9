# The layers of the core, bottom first: each folder is one library and uses only the folders
# listed for it, all of them below it. core/CMakeLists.txt links by this table and
# CheckLayers.cmake refuses an include that crosses it.
set(NR_CORE_LAYERS link eq inputs outputs shell smarthome session venue)
set(NR_CORE_USES_link "")                                       # model, frames, transports, session writes
set(NR_CORE_USES_eq link)                                       # filter design, band writes
set(NR_CORE_USES_inputs link eq)                                # input pages, live controls
set(NR_CORE_USES_outputs link eq)                               # output channels, compressors, delays
set(NR_CORE_USES_shell link eq inputs)                          # files, undo, machine settings
set(NR_CORE_USES_smarthome link shell)                          # plugs, key files, scenes
set(NR_CORE_USES_session link eq inputs outputs shell smarthome)  # Connection, the subnet scan
set(NR_CORE_USES_venue link eq inputs outputs shell smarthome session)  # rooms of a venue, presets compared
