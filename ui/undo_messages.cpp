#include "ui/undo_messages.h"

namespace kv {

const char kUndoNotCreated[] = "无法创建撤消文件，未删除任何内容。";
const char kKeyNotDeleted[] = "无法删除记录！";

std::string UndoResultMessage(UndoForm form, const std::string& file_name, bool produced) {
  if (!produced) return "成功删除记录！";
  if (form == UndoForm::Autostart) return "成功删除记录，创建撤消文件。";
  return std::string("成功删除记录，") + "\r" + "创建撤消文件" + file_name;
}

std::string KeyDeleteMessage(const KeyDeleteOutcome& outcome) {
  switch (outcome.result) {
    case KeyDeleteResult::Deleted:
      return UndoResultMessage(UndoForm::Named, outcome.file_name, true);
    case KeyDeleteResult::StillThere:
      return kKeyNotDeleted;
    case KeyDeleteResult::NoBackup:
      break;
  }
  return kUndoNotCreated;
}

}  // namespace kv
