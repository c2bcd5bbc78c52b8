#include "operation/DryRun.h"

#include "common/Types.h"

namespace mendora {

std::string FormatDryRunPlan(const DryRunPlan& plan) {
  const char* verb = plan.mode == Fix ? "fix" : plan.mode == Move ? "move" : "copy";
  std::string text = std::string("dry run: ") + verb + " " + plan.reference + "\n";
  for (const auto& [recorded, now] : plan.links) {
    if (recorded == now) text += "  link  " + recorded + "  (unchanged)\n";
    else text += "  link  " + recorded + "  ->  " + now + "\n";
  }
  for (const auto& [from, to] : plan.carries) text += std::string("  ") + verb + "  " + from + "  ->  " + to + "\n";
  text += "  new reference AVI  " + plan.output + (plan.replaces_output ? "  (replaces the file there)" : "") + "\n";
  text += "  written first as   " + plan.temporary + "\n";
  if (!plan.backup.empty()) text += "  old one kept as    " + plan.backup + "\n";
  if (plan.removes_source) text += "  old one deleted    " + plan.reference + "\n";
  return text;
}

}  // namespace mendora
