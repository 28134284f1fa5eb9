#include "progressdialog.h"

#include "windowmanager.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace toolkit {

namespace {

// The bar counts in thousandths.
constexpr int Steps = 1000;

QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText); // file names are never read as markup
    label->setWordWrap(true);
    return label;
}

} // namespace

ProgressDialog::ProgressDialog(QWidget *owner, const QString &caption, const QString &cancelText)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowModality(Qt::WindowModal);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setCaption(this, caption);
    setMinimumWidth(360);

    Label1 = plainLabel(this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, Steps);
    ProgressBar1->setTextVisible(false);
    Label2 = plainLabel(this);
    auto *buttons = new QDialogButtonBox(this);
    Cancel = buttons->addButton(cancelText, QDialogButtonBox::RejectRole);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label2);
    layout->addWidget(buttons);
}

void ProgressDialog::setText(const QString &text)
{
    Label1->setText(text);
}

void ProgressDialog::setProgress(double fraction, const QString &text)
{
    if (fraction < 0) {
        ProgressBar1->setRange(0, 0);
    } else {
        ProgressBar1->setRange(0, Steps);
        ProgressBar1->setValue(int(std::clamp(fraction, 0.0, 1.0) * Steps));
    }
    Label2->setText(text);
}

} // namespace toolkit
