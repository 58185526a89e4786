# Fails when a file under src/engine or src/cli includes a Qt header
# (<QString>, <QtCore/...>, <qglobal.h>, ...). Run by CTest as
# cmake -DROOT=<source dir> -P no_qt_lint.cmake.
file(GLOB_RECURSE sources ${ROOT}/src/engine/* ${ROOT}/src/cli/*)
set(offenders "")
foreach(source IN LISTS sources)
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|Qt[A-Za-z]*/|q[a-z]+\\.h)")
  foreach(line IN LISTS lines)
    list(APPEND offenders "${source}: ${line}")
  endforeach()
endforeach()
list(LENGTH sources count)
if(offenders)
  list(JOIN offenders "\n" text)
  message(FATAL_ERROR "Qt included outside the desktop program:\n${text}")
endif()
message(STATUS "${count} files under src/engine and src/cli; none includes Qt")
