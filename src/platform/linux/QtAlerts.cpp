#include "QtAlerts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace sonifix {

AlertResult QtAlerts::runModal(const AlertRequest& alert) {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Sonifix"));
    auto* columns = new QHBoxLayout(&dialog);
    auto* icon = new QLabel;
    const auto image = alert.showsAppIcon
                           ? QApplication::windowIcon()
                           : dialog.style()->standardIcon(QStyle::SP_MessageBoxInformation);
    icon->setPixmap(image.pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    columns->addWidget(icon);

    auto* rows = new QVBoxLayout;
    columns->addLayout(rows);
    auto* title = new QLabel(QString::fromStdString(alert.messageText));
    auto font = title->font();
    font.setBold(true);
    title->setFont(font);
    title->setTextFormat(Qt::PlainText);
    rows->addWidget(title);
    auto* body = new QLabel(QString::fromStdString(alert.informativeText));
    body->setTextFormat(Qt::PlainText);
    body->setWordWrap(true);
    body->setMinimumWidth(320);
    rows->addWidget(body);

    QLineEdit* field = nullptr;
    if (alert.emailField) {
        field = new QLineEdit;
        field->setPlaceholderText(QString::fromStdString(alert.emailField->placeholder));
        field->setFixedWidth(280);
        field->setAccessibleName(QStringLiteral("Email"));
        rows->addWidget(field);
    }

    auto* buttons = new QDialogButtonBox;
    rows->addWidget(buttons);
    auto titles = alert.buttons;
    if (titles.empty()) {
        titles.push_back("OK");
    }
    int chosen = Alerts::firstButton;
    // Added right to left: the first button ends up rightmost, as the default.
    for (std::size_t i = titles.size(); i-- > 0;) {
        auto* button =
            buttons->addButton(QString::fromStdString(titles[i]), QDialogButtonBox::ActionRole);
        if (i == 0) {
            button->setDefault(true);
        }
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &chosen, i] {
            chosen = Alerts::firstButton + int(i);
            dialog.accept();
        });
    }
    if (field) {
        field->setFocus();
    }
    dialog.raise();
    dialog.activateWindow();
    const bool answered = dialog.exec() == QDialog::Accepted;
    // Closed with the window's own control or Escape: the last button, the one that cancels.
    const int response = answered ? chosen : Alerts::firstButton + int(titles.size()) - 1;
    return {.response = response, .fieldText = field ? field->text().toStdString() : ""};
}

} // namespace sonifix
