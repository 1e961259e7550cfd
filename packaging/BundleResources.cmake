# Writes a VST 3 bundle's host metadata from the built module: the editor snapshot of
# each effect class (Contents/Resources/Snapshots/<CID>_snapshot.png, drawn by
# brindle-snapshot at the default settings) and Contents/Resources/moduleinfo.json.
# cmake -DBUNDLE=path.vst3 -DINFO_TOOL=brindle-vst3info -DSNAPSHOT_TOOL=brindle-snapshot
#       -DVERSION=x.y.z -DSTAMP=file [-DWINE_PREFIX=dir -DWINE_PREFIX_SCRIPT=wine-prefix.sh]
#       -P BundleResources.cmake
# Tool output goes to files: a Wine program must not write into a pipe that its
# background services could inherit.
set(launcher "")
if(WINE_PREFIX)
  execute_process(COMMAND ${WINE_PREFIX_SCRIPT} ${WINE_PREFIX} RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "cannot prepare the Wine prefix ${WINE_PREFIX}")
  endif()
  set(launcher ${CMAKE_COMMAND} -E env WINEPREFIX=${WINE_PREFIX} WINEDEBUG=-all WINEARCH=win64
    WINEDLLOVERRIDES=mscoree,mshtml= wine)
endif()

get_filename_component(work ${STAMP} DIRECTORY)
function(run_tool what)
  execute_process(COMMAND ${launcher} ${ARGN} RESULT_VARIABLE code
    OUTPUT_FILE ${work}/bundle-resources.out ERROR_FILE ${work}/bundle-resources.err)
  if(NOT code EQUAL 0)
    file(READ ${work}/bundle-resources.err err)
    message(FATAL_ERROR "${what} failed (${code}): ${err}")
  endif()
endfunction()

set(resources ${BUNDLE}/Contents/Resources)
file(REMOVE_RECURSE ${resources}/Snapshots)
file(REMOVE ${resources}/moduleinfo.json)
run_tool("reading the class ids of ${BUNDLE}" ${INFO_TOOL} --class-ids ${BUNDLE})
file(STRINGS ${work}/bundle-resources.out class_ids REGEX "^[0-9A-F]+")
if(NOT class_ids)
  message(FATAL_ERROR "${BUNDLE} has no audio effect class")
endif()
file(MAKE_DIRECTORY ${resources}/Snapshots)
foreach(class_id ${class_ids})
  string(STRIP "${class_id}" class_id)
  run_tool("drawing the snapshot" ${SNAPSHOT_TOOL} ${resources}/Snapshots/${class_id}_snapshot.png)
endforeach()
run_tool("writing moduleinfo.json" ${INFO_TOOL} --moduleinfo ${VERSION} ${BUNDLE})
if(WINE_PREFIX)
  # Let the prefix's server exit, so that later programs with a display start a new one.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${WINE_PREFIX} wineserver -w)
endif()
file(TOUCH ${STAMP})
