cmake_minimum_required(VERSION 3.21)
# Lays out the folder that both release packages carry (cmake -P; called by
# the package_stage target in cmake/packaging.cmake):
#   Quillmere.exe, README.txt, Licences\<name>.txt, empty Settings\ and Downloads\
# EXE, README and STAGE are paths; LICENCES is "Name=file|Name=file|...".
foreach(var EXE README STAGE LICENCES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "stage_package.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/Settings ${STAGE}/Downloads ${STAGE}/Licences)
file(COPY_FILE ${EXE} ${STAGE}/Quillmere.exe)
file(COPY_FILE ${README} ${STAGE}/README.txt)

string(REPLACE "|" ";" licences "${LICENCES}")
foreach(entry IN LISTS licences)
  string(FIND "${entry}" "=" split)
  string(SUBSTRING "${entry}" 0 ${split} name)
  math(EXPR split "${split} + 1")
  string(SUBSTRING "${entry}" ${split} -1 file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "licence text of ${name} not found: ${file}")
  endif()
  file(COPY_FILE "${file}" "${STAGE}/Licences/${name}.txt")
endforeach()
