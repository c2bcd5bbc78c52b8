# The user guide as HTML (cmark), with its screenshots, for the zip and the
# installer: guide/guide.html, guide/guide.ja.html, guide/images/.
find_program(MENDORA_CMARK cmark)
if(NOT MENDORA_CMARK)
  message(WARNING "cmark not found (scripts/deps.sh installs it): the packages go without the user guide")
  return()
endif()
set(guide_dir ${CMAKE_BINARY_DIR}/guide)
set(guide_html)
foreach(guide guide guide.ja)
  set(html ${guide_dir}/${guide}.html)
  add_custom_command(OUTPUT ${html}
    COMMAND ${CMAKE_COMMAND} -DCMARK=${MENDORA_CMARK} -DMARKDOWN=${PROJECT_SOURCE_DIR}/docs/${guide}.md
            -DHTML=${html} -P ${CMAKE_CURRENT_LIST_DIR}/packaging/GuideHtml.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${guide}.md ${CMAKE_CURRENT_LIST_DIR}/packaging/GuideHtml.cmake
    COMMENT "Writing the user guide ${guide}.html")
  list(APPEND guide_html ${html})
endforeach()
add_custom_target(mendora_guide ALL DEPENDS ${guide_html})
install(FILES ${guide_html} DESTINATION guide)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION guide)
