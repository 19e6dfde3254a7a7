# Release packages in build/dist/, named after the project's version:
#   portable  Quillmere-<version>-portable.zip: the executable with empty
#             Settings\ and Downloads\ beside it, README and licence texts
#   setup     Quillmere-<version>-setup.exe, made with NSIS (makensis)
# tools/package.sh builds both.
set(QUILLMERE_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(QUILLMERE_PORTABLE_ZIP ${QUILLMERE_DIST_DIR}/Quillmere-${PROJECT_VERSION}-portable.zip)
set(QUILLMERE_SETUP_EXE ${QUILLMERE_DIST_DIR}/Quillmere-${PROJECT_VERSION}-setup.exe)
set(QUILLMERE_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)

# The licence texts of what the static executable carries besides its own
# code: Crypto++ and the MinGW-w64 and GCC runtime libraries, as the build
# machine's packages ship them. "Name=file" each, shipped as Licences\Name.txt.
set(QUILLMERE_CRYPTOPP_LICENCE ${CRYPTOPP_ROOT}/License.txt CACHE FILEPATH "Crypto++'s License.txt")
set(QUILLMERE_LICENCE_TEXTS
  "Crypto++=${QUILLMERE_CRYPTOPP_LICENCE}"
  "MinGW-w64 runtime=/usr/share/doc/mingw-w64-common/copyright"
  "GCC runtime=/usr/share/doc/gcc-mingw-w64-base/copyright")

find_program(MAKENSIS makensis)

# One staged folder for both packages, made afresh on each packaging run.
string(REPLACE ";" "|" licence_texts "${QUILLMERE_LICENCE_TEXTS}")
add_custom_target(package_stage
  COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:Quillmere> -DREADME=${PROJECT_SOURCE_DIR}/README.md
          -DSTAGE=${QUILLMERE_PACKAGE_DIR}/Quillmere "-DLICENCES=${licence_texts}"
          -P ${PROJECT_SOURCE_DIR}/cmake/stage_package.cmake
  VERBATIM)
add_dependencies(package_stage Quillmere)

add_custom_target(portable
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLMERE_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${QUILLMERE_PORTABLE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${QUILLMERE_PORTABLE_ZIP} --format=zip Quillmere
  COMMAND ${CMAKE_COMMAND} -E echo "made ${QUILLMERE_PORTABLE_ZIP}"
  WORKING_DIRECTORY ${QUILLMERE_PACKAGE_DIR}
  VERBATIM)
add_dependencies(portable package_stage)

if(MAKENSIS)
  add_custom_target(setup
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLMERE_DIST_DIR}
    COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8
            -DVERSION=${PROJECT_VERSION}
            -DEXE=${QUILLMERE_PACKAGE_DIR}/Quillmere/Quillmere.exe
            -DREADME=${QUILLMERE_PACKAGE_DIR}/Quillmere/README.txt
            -DLICENCES=${QUILLMERE_PACKAGE_DIR}/Quillmere/Licences
            -DICON=${PROJECT_SOURCE_DIR}/src/resources/images/quillmere.ico
            -DOUTFILE=${QUILLMERE_SETUP_EXE}
            ${PROJECT_SOURCE_DIR}/tools/installer/quillmere.nsi
    COMMAND ${CMAKE_COMMAND} -E echo "made ${QUILLMERE_SETUP_EXE}"
    VERBATIM)
else()
  add_custom_target(setup
    COMMAND ${CMAKE_COMMAND} -E echo "setup: makensis is missing (Debian package nsis; tools/bootstrap.sh installs it)"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
add_dependencies(setup package_stage)
