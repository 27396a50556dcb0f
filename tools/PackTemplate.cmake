# Packs one form template: the shared package parts (PARTS_DIR) with the form's own parts
# (FORM_DIR) on top, as an Office Open XML package written to OUTPUT.  STAGE is a scratch folder.
#   cmake -DPARTS_DIR=... -DFORM_DIR=... -DSTAGE=... -DOUTPUT=... -P PackTemplate.cmake
foreach(var PARTS_DIR FORM_DIR STAGE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "PackTemplate: ${var} not given")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(COPY "${PARTS_DIR}/" DESTINATION "${STAGE}")
file(COPY "${FORM_DIR}/" DESTINATION "${STAGE}")
file(GLOB_RECURSE parts LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT parts)
# The content types first, as word processors write them.
set(ordered "[Content_Types].xml")
foreach(part IN LISTS parts)
  if(NOT part STREQUAL "[Content_Types].xml")
    list(APPEND ordered "${part}")
  endif()
endforeach()

get_filename_component(outdir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${outdir}")
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${OUTPUT}" --format=zip "--mtime=2026-01-01 00:00:00 UTC" -- ${ordered}
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "PackTemplate: packing ${OUTPUT} failed")
endif()
