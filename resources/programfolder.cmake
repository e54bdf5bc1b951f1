# SPDX-License-Identifier: GPL-3.0-or-later
# Fills the build's program folder (DST) from the shipped files (SRC): a file
# that is missing, or still exactly what an earlier build put there, gets the
# shipped version; one changed since (by hand, by the settings window, by the
# sample firm of "init-db --demo") stays. The checksums of what was put there
# are kept in DST/.vorlagen.sha256, as the installed program keeps them.
set(manifest ${DST}/.vorlagen.sha256)
set(recorded "")
# Builds before the list overwrote every file each time: none is the user's.
set(first TRUE)
if(EXISTS ${manifest})
  file(STRINGS ${manifest} recorded)
  set(first FALSE)
endif()
file(GLOB_RECURSE shipped RELATIVE ${SRC} ${SRC}/*)
set(lines "")
foreach(rel IN LISTS shipped)
  file(SHA256 ${SRC}/${rel} new)
  set(target ${DST}/${rel})
  set(before "")
  foreach(line IN LISTS recorded)
    if(line MATCHES "^([0-9a-f]+)  (.*)$" AND CMAKE_MATCH_2 STREQUAL rel)
      set(before ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(copy TRUE)
  if(EXISTS ${target} AND NOT first)
    file(SHA256 ${target} current)
    if(NOT current STREQUAL new AND NOT current STREQUAL before)
      set(copy FALSE) # the user's own
    endif()
  endif()
  if(copy)
    get_filename_component(folder ${target} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(COPY_FILE ${SRC}/${rel} ${target} ONLY_IF_DIFFERENT)
    list(APPEND lines "${new}  ${rel}")
  elseif(before)
    list(APPEND lines "${before}  ${rel}")
  endif()
endforeach()
list(JOIN lines "\n" text)
file(WRITE ${manifest} "${text}\n")
