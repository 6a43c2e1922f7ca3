#pragma once

#include "ui/TcreateForm.h"
#include "ui/TinsertForm.h"

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

// A modal runner's answer to the dialogs that file a history of an unknown machine: the insert dialog's
// create button, then the owner data of the new machine (Anne Martin, machine number 24-4711).
inline int createMachineThroughTheDialogs(QDialog& dialog) {
    if (auto* insert = dynamic_cast<TinsertForm*>(&dialog)) {
        insert->createButtClick();
        return insert->result();
    }
    auto* create = dynamic_cast<TcreateForm*>(&dialog);
    EXPECT_NE(create, nullptr) << "a dialog other than insert or create";
    if (!create)
        return QDialog::Rejected;
    create->oNameEdit->setText(QStringLiteral("Anne"));
    create->oSurNameEdit->setText(QStringLiteral("Martin"));
    create->oAddressMemo->setPlainText(QStringLiteral("1 rue du Parc"));
    create->yearIdMaskEdit->setText(QStringLiteral("24"));
    create->machineIdMaskEdit->setText(QStringLiteral("4711"));
    create->createButtClick();
    return create->result();
}
