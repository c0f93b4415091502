// PlanUninstall over any command, with files that exist by a rule drawn from the input: a plan
// runs only a file that exists (MsiExec aside), and splits the command without losing a byte.
#include "uninstall/uninstall_plan_rules.h"

#include "sysaccess/text_rules.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = fuzz::Fields(fuzz::Text(data, size), 2);
  const unsigned char salt = f[0].empty() ? 0 : static_cast<unsigned char>(f[0][0]);
  const std::string& command = f[1];
  auto exists = [&](const std::string& path) { return (std::hash<std::string>()(path) + salt) % 3 == 0; };
  const std::string system = "C:\\WINDOWS\\system32\\";
  const kv::UninstallPlan plan = kv::PlanUninstall(command, system, exists);
  const std::string cmd = kv::UnquotedUninstallCommand(command);
  switch (plan.rule) {
    case kv::UninstallRule::None:
      FUZZ_CHECK(!plan.run);
      break;
    case kv::UninstallRule::A:
      FUZZ_CHECK(plan.run && plan.program == cmd && exists(cmd));
      break;
    case kv::UninstallRule::B:
      FUZZ_CHECK(plan.run && plan.program == system + "MsiExec.exe");
      break;
    case kv::UninstallRule::C:
    case kv::UninstallRule::D:
      FUZZ_CHECK(plan.program + plan.parameters == cmd);
      FUZZ_CHECK(plan.run == exists(plan.program));
      FUZZ_CHECK(fuzz::IsCharBoundary(cmd, plan.program.size()));
      break;
  }
  return 0;
}
