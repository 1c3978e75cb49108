#include "cli/render_command.h"

#include <ostream>
#include <system_error>
#include <vector>

#include "cli/compare_command.h"
#include "engine/text_file.h"
#include "golden/golden.h"
#include "report/terminal_text.h"

namespace varnic::cli {

CLI::App* AddRenderCommand(CLI::App& app, CRenderOptions& options) {
  CLI::App* render =
      app.add_subcommand("render", "Print the golden file of one device, its template filled in");
  render->add_option("GOLDEN", options.golden, "The golden template")->required()->type_name("");
  render->add_option("--vars", options.vars, "Variables per device (CSV or JSON)")
      ->type_name("FILE");
  render->add_option("--device", options.device, "The device's name in --vars")->type_name("NAME");
  render
      ->add_option("--against", options.against,
                   "The device's backup: rules it satisfies become its values")
      ->type_name("BACKUP");
  render->footer(
      "Without --against, rules ({{ one_of ... }}, {{ range ... }}, ...) are printed as written.\n"
      "Exit status: 0 printed; 2 trouble (a file that cannot be read, a malformed rule, a\n"
      "variable without a value for the device).");
  return render;
}

int RunRender(const CRenderOptions& options, std::ostream& out, std::ostream& err) {
  std::string text;
  std::string device;
  std::error_code code;
  for (const auto& [path, bytes] :
       {std::pair{&options.golden, &text}, {&options.against, &device}}) {
    if (!path->empty() && !ReadFileBytes(*path, *bytes, code)) {
      err << "varnic: cannot read '" << report::SafeText(*path) << "': " << code.message() << "\n";
      return kExitTrouble;
    }
  }
  std::vector<std::string> names;
  if (!options.device.empty()) {
    names.push_back(options.device);
  } else if (!options.against.empty()) {
    names = golden::DeviceNames(options.against);
  }
  golden::CGolden golden;
  golden::CRendered rendered;
  std::string error;
  if (!golden.Load(options.golden, text, options.vars, error) ||
      !golden.RenderFor(names, options.against.empty() ? nullptr : &device, rendered, error)) {
    err << "varnic: " << report::SafeText(error) << "\n";
    return kExitTrouble;
  }
  out << rendered.text;
  return 0;
}

}  // namespace varnic::cli
