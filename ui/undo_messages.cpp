#include "ui/undo_messages.h"

namespace kv {

const char kUndoNotCreated[] = "无法创建撤消文件，未删除任何内容。";
const char kKeyNotDeleted[] = "无法删除记录！";
const char kNeedsAdminRights[] = "需要管理员权限才能删除此记录，未删除任何内容。";
const char kUndoFolderCaption[] = "撤消文件夹：";

std::string UndoResultMessage(UndoForm form, const std::string& file_name, bool produced) {
  if (!produced) return "成功删除记录！";
  if (form == UndoForm::Autostart) return "成功删除记录，创建撤消文件。";
  return std::string("成功删除记录，") + "\r" + "创建撤消文件" + file_name;
}

std::string WithUndoFolder(const std::string& message, const std::string& user_undo_folder) {
  // Not where the user looks for it: the message says where it went.
  if (user_undo_folder.empty()) return message;
  return message + "\r" + kUndoFolderCaption + user_undo_folder;
}

std::string KeyDeleteMessage(const KeyDeleteOutcome& outcome) {
  switch (outcome.result) {
    case KeyDeleteResult::Deleted:
      return WithUndoFolder(UndoResultMessage(UndoForm::Named, outcome.file_name, true), outcome.user_undo_folder);
    case KeyDeleteResult::Refused:
      return kNeedsAdminRights;
    case KeyDeleteResult::StillThere:
      break;
    case KeyDeleteResult::NoBackup:
      return kUndoNotCreated;
  }
  if (outcome.gone.empty() && !outcome.kept_for_rights) return kKeyNotDeleted;
  std::string text;
  for (const auto& key : outcome.gone) text += "已删除：" + key + "\r";
  for (const auto& key : outcome.kept) text += "未能删除：" + key + "\r";
  if (outcome.kept_for_rights) text += "需要管理员权限。\r";
  return WithUndoFolder(text + "撤消文件" + outcome.file_name, outcome.user_undo_folder);
}

}  // namespace kv
