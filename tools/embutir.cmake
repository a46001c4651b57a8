# Embeds a text file in C++: cmake -DENTRADA=file -DSAIDA=out.cpp -DNOME=symbol -P embutir.cmake
file(READ ${ENTRADA} CONTEUDO)
file(WRITE ${SAIDA}.tmp "// Generated from ${ENTRADA}; do not edit.\n#include <string_view>\n\nnamespace efd {\n\nextern const std::string_view ${NOME};\nconst std::string_view ${NOME} = R\"efd(${CONTEUDO})efd\";\n\n}  // namespace efd\n")
file(COPY_FILE ${SAIDA}.tmp ${SAIDA} ONLY_IF_DIFFERENT)
file(REMOVE ${SAIDA}.tmp)
