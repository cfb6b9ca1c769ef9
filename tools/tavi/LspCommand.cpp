// tavi lsp: the language server, talking LSP over stdin and stdout.

#include <unistd.h>

#include "Commands.h"
#include "LabelText.h"
#include "Server.h"

namespace parvel::tavi {

int cmdLsp(const Invocation&) {
    // Lint lays texts out in their labels on its own thread; the fonts it
    // needs are set up here, on the main thread.
    render::ensureFontDatabase();
    // The protocol gets stdout to itself: anything else that writes there
    // (a library's notice, say) goes to stderr instead of into a message.
    const int protocol = ::dup(STDOUT_FILENO);
    if (protocol < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return lsp::runServer(STDIN_FILENO, STDOUT_FILENO);
    return lsp::runServer(STDIN_FILENO, protocol);
}

}  // namespace parvel::tavi
