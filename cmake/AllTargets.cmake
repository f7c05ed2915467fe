# Every target defined in a folder and in the folders below it. The list is
# whole only once every folder has been read, so callers defer to the end of
# the top folder.
function(korvane_all_targets dir out)
  get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(s ${subdirs})
    korvane_all_targets(${s} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
