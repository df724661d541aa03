# Fails when a file includes a header of a folder on its own floor or above it. Each folder may
# include its own headers and those of the folders listed for it (the floors below it), nothing
# else of the project; system headers (<...>) are not checked.
#
# The core, the batch tool's library and the Python module:
#   base | model, parser | engine | frame | batch | python
# The desktop program's folders (ui/...), five floors on top of the core:
#   document (the document, its undo commands and the run clock)
#   | dialogs, scene
#   | view (the mouse, the gestures and their body commands), run, extras
#   | setup
#   | window
# The offscreen drawing (ui/render) stands on the core and the scene's drawing alone; the
# batch tool, the Python module and the extras draw through it.
# An include of ui/<folder>/ counts as the folder ui_<folder>.
cmake_policy(SET CMP0057 NEW)
set(allowed_base base)
set(allowed_model base model)
set(allowed_parser base parser)
set(allowed_engine base model parser engine)
set(allowed_frame base model parser engine frame)
set(allowed_batch base model parser engine frame batch ui_render)
set(allowed_python base model parser engine frame batch python ui_render)
set(core base model parser engine frame)
set(allowed_ui_document ${core} ui_document)
set(allowed_ui_dialogs ${core} ui_document ui_dialogs)
set(allowed_ui_scene ${core} ui_document ui_scene)
set(allowed_ui_render ${core} ui_scene ui_render)
set(allowed_ui_view ${core} ui_document ui_dialogs ui_scene ui_view)
set(allowed_ui_run ${core} ui_document ui_dialogs ui_run)
set(allowed_ui_extras ${core} ui_document ui_dialogs ui_scene ui_render ui_extras)
set(allowed_ui_setup ${core} ui_document ui_dialogs ui_scene ui_view ui_render ui_extras ui_setup)
set(allowed_ui_window ${core} ui_document ui_dialogs ui_scene ui_view ui_run ui_render ui_extras ui_setup ui_window)
if(NOT DEFINED FOLDERS)
  set(FOLDERS base model parser engine frame batch python
      ui/document ui/dialogs ui/scene ui/render ui/view ui/run ui/extras ui/setup ui/window)
endif()
set(bad "")
foreach(dir ${FOLDERS})
  string(REPLACE "/" "_" name "${dir}")
  file(GLOB_RECURSE files ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.cpp ${ROOT}/${dir}/*.inc)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      set(folder "")
      if(line MATCHES "\"ui/([^\"/]+)/")
        set(folder "ui_${CMAKE_MATCH_1}")
      elseif(line MATCHES "\"([^\"/]+)/")
        set(folder "${CMAKE_MATCH_1}")
      endif()
      if(folder STREQUAL "")
        list(APPEND bad "${f}: ${line} (name the folder)")
      elseif(NOT folder IN_LIST allowed_${name})
        list(APPEND bad "${f}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(bad)
  string(REPLACE ";" "\n" bad "${bad}")
  message(FATAL_ERROR "Includes that run up or sideways between the floors:\n${bad}")
endif()
