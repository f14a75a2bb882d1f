// Records every dialog the program brings up and closes it with OK: the error
// boxes' texts and the information messages, in order.
#pragma once

#include "app/informationdialog.h"

#include <QMessageBox>
#include <QStringList>

namespace didu::test {

struct Dialogs {
    Dialogs()
    {
        setModalDialogHook([this](QDialog& dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog))
                errors << box->text();
            else if (auto* info = qobject_cast<InformationDialog*>(&dialog))
                messages << info->message();
            dialog.accept();
        });
    }
    ~Dialogs() { setModalDialogHook({}); }
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;

    QStringList messages;
    QStringList errors;
};

} // namespace didu::test
