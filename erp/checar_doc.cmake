# Regenerates docs/erp-schema.md into SAIDA and fails when the committed DOC
# differs. Variables: EFDGEN, DOC, SAIDA, DECLARACOES (comma-separated).
string(REPLACE "," ";" DECLARACOES "${DECLARACOES}")
execute_process(COMMAND ${EFDGEN} --doc ${SAIDA} ${DECLARACOES} RESULT_VARIABLE RC)
if(NOT RC EQUAL 0)
  message(FATAL_ERROR "efdgen --doc failed (${RC})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${DOC} ${SAIDA} RESULT_VARIABLE DIFERENTE)
if(DIFERENTE)
  message(FATAL_ERROR "${DOC} is out of date with the ERP declarations: "
                      "build the target erp-schema-doc and commit the result")
endif()
