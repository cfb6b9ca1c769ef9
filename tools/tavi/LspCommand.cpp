// tavi lsp: the language server, talking LSP over stdin and stdout.

#include <unistd.h>

#include "Commands.h"
#include "Server.h"

namespace parvel::tavi {

int cmdLsp(const std::vector<std::string>&) { return lsp::runServer(STDIN_FILENO, STDOUT_FILENO); }

}  // namespace parvel::tavi
