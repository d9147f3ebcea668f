# Lays out the skin folder and packs it:
#   cmake -DGENERATOR=<qv_skin_images> -DSEVEN_ZIP=<7z> -DSTAGE=<folder> -DARCHIVE=<skin.7z>
#         -DLAYOUT_DIR=<layouts> "-DLAYOUTS=a.xml;b.xml" ["-DTEXTS=/full/language.json"] -P pack_skin.cmake
# The folder is staged afresh each time so nothing stale is packed; 7z runs inside it so entry
# names are relative ("mainWnd.xml", "res/mainWnd/bg1.png").

file(REMOVE_RECURSE ${STAGE})
file(REMOVE ${ARCHIVE})
file(MAKE_DIRECTORY ${STAGE})

execute_process(COMMAND ${GENERATOR} ${STAGE} RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "the skin images could not be drawn")
endif()
foreach(layout ${LAYOUTS})
  file(COPY ${LAYOUT_DIR}/${layout} DESTINATION ${STAGE})
endforeach()
# Further root files given by full path (the language texts).
set(root_files ${LAYOUTS})
foreach(text ${TEXTS})
  file(COPY ${text} DESTINATION ${STAGE})
  get_filename_component(text_name ${text} NAME)
  list(APPEND root_files ${text_name})
endforeach()

# One solid LZMA2 block with a 1536 KiB dictionary and an LZMA-compressed header.
execute_process(
  COMMAND ${SEVEN_ZIP} a -bd -bso0 -t7z -m0=lzma2:d=1536k -ms=on -mhc=on ${ARCHIVE} ${root_files} res
  WORKING_DIRECTORY ${STAGE}
  RESULT_VARIABLE packed)
if(NOT packed EQUAL 0)
  file(REMOVE ${ARCHIVE})
  message(FATAL_ERROR "7z could not pack the skin")
endif()
