#pragma once
// What the message window says after a deletion of registry data.
#include <string>

#include "sysaccess/key_delete.h"

namespace kv {

enum class UndoForm { Named, Autostart };

extern const char kUndoNotCreated[];   // "无法创建撤消文件，未删除任何内容。"
extern const char kKeyNotDeleted[];    // "无法删除记录！"
extern const char kNeedsAdminRights[];  // "需要管理员权限才能删除此记录，未删除任何内容。"
extern const char kUndoFolderCaption[];  // "撤消文件夹："

// The result message of a deletion; `produced` tells whether this deletion wrote its file.
std::string UndoResultMessage(UndoForm form, const std::string& file_name, bool produced);
// `message` with a line that names the per-user undo folder; unchanged for "" (beside the program).
std::string WithUndoFolder(const std::string& message, const std::string& user_undo_folder);

// The message for a key deletion of tab 2 or 4. Where some keys went and others stayed, it names
// each, why they stayed where that was the rights, and the undo file that restores what went.
std::string KeyDeleteMessage(const KeyDeleteOutcome& outcome);

}  // namespace kv
