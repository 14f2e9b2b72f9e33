# Gives `target` an include folder of its own in the build tree that holds only the headers
# listed, each as a header forwarding to the file in the source folder, and makes that folder
# the only one its users see. The source folder stays visible to the target's own files, so a
# header left out of the list is private: a user that includes it does not compile.
function(meterdesk_public_headers target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_public)
  file(GLOB stale RELATIVE ${dir} ${dir}/*.h)
  foreach(header ${ARGN})
    list(REMOVE_ITEM stale ${header})
    # Rewritten only when it changes, so that a new configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${dir}/${header}
         CONTENT "#pragma once\n#include \"${CMAKE_CURRENT_SOURCE_DIR}/${header}\"\n" @ONLY)
  endforeach()
  foreach(header ${stale})
    file(REMOVE ${dir}/${header})
  endforeach()
  target_include_directories(${target} PUBLIC ${dir} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()
