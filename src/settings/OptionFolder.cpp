// The folder button's picker.

#include "settings/Option.h"

namespace {

Tfrm_Option::FolderPicker& folderPicker() {
    static Tfrm_Option::FolderPicker picker;
    return picker;
}

}  // namespace

void Tfrm_Option::setFolderPicker(FolderPicker picker) { folderPicker() = std::move(picker); }

std::optional<QString> Tfrm_Option::runFolderPicker() {
    if (folderPicker()) return folderPicker()(this, folderPickerCaption());
    return std::nullopt;  // TEMP until the picker lands
}
