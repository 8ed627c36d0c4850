# Writes a C++ source that holds every <number>.png of DIR as a byte array,
# with the table of them as the ResourceModule kBitmaps in namespace
# vlm::enginepics::NAMESPACE. Plain arrays with internal linkage keep each
# library's bitmaps private to it.
#   cmake -DDIR=... -DNAMESPACE=rx11 -DOUTPUT=... -P embed_bitmaps.cmake
file(GLOB files "${DIR}/*.png")
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "no bitmaps in ${DIR}")
endif()
set(arrays "")
set(table "")
foreach(f IN LISTS files)
  get_filename_component(id "${f}" NAME_WE)
  if(NOT id MATCHES "^[0-9]+$" OR id GREATER 65535)
    message(FATAL_ERROR "bitmap file names are numbers 0..65535: ${f}")
  endif()
  file(READ "${f}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kBitmap${id}[] = {${bytes}};\n")
  string(APPEND table "    {${id}, kBitmap${id}, sizeof kBitmap${id}},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from the PNG files of ${DIR}; do not edit.
#include \"enginepics/common/families.h\"

namespace vlm::enginepics::${NAMESPACE} {
namespace {
${arrays}
const BitmapResource kAll[] = {
${table}};
}  // namespace

const ResourceModule kBitmaps{kAll, sizeof kAll / sizeof kAll[0]};

}  // namespace vlm::enginepics::${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
