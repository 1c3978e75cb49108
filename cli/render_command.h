#ifndef VARNIC_CLI_RENDER_COMMAND_H_
#define VARNIC_CLI_RENDER_COMMAND_H_

#include <CLI/CLI.hpp>
#include <iosfwd>
#include <string>

namespace varnic::cli {

struct CRenderOptions {
  std::string golden;
  std::string vars;     // empty: no inventory
  std::string device;   // the device's name in the inventory
  std::string against;  // the device's backup, to render matchers against; empty: none
};

// Adds "render GOLDEN --vars FILE --device NAME [--against BACKUP]" to `app`.
CLI::App* AddRenderCommand(CLI::App& app, CRenderOptions& options);

// Prints the golden file of one device, byte for byte as the comparison sees it. Returns the
// exit status: 0, or 2 with the reason on `err`.
int RunRender(const CRenderOptions& options, std::ostream& out, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_RENDER_COMMAND_H_
