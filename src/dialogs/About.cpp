// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/About.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QUrl>
#include <QVBoxLayout>

#include "util/KestrowVersion.h"

const char* const TAboutFrm::kContactAddress = "kestrow@example.org";
const char* const TAboutFrm::kVersionText = "Version " KESTROW_VERSION;

namespace {

QPixmap LogoPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(QStringLiteral(":/resources/kestrow_logo.svg"));
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

}  // namespace

TAboutFrm::TAboutFrm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
  setObjectName("AboutFrm");
  setWindowTitle("About Kestrow");
  Picture = new QLabel(this);
  Picture->setObjectName("Picture");
  Picture->setPixmap(LogoPixmap(96));
  Picture->setAlignment(Qt::AlignCenter);
  NameLabel = new QLabel("Kestrow", this);
  NameLabel->setObjectName("NameLabel");
  QFont nameFont = NameLabel->font();
  nameFont.setBold(true);
  nameFont.setPointSizeF(nameFont.pointSizeF() * 2);
  NameLabel->setFont(nameFont);
  NameLabel->setAlignment(Qt::AlignCenter);
  VersionLabel = new QLabel(kVersionText, this);
  VersionLabel->setObjectName("VersionLabel");
  VersionLabel->setAlignment(Qt::AlignCenter);
  ContactLabel = new QLabel(QString("<a href=\"mailto:%1\">%1</a>").arg(kContactAddress), this);
  ContactLabel->setObjectName("ContactLabel");
  ContactLabel->setAlignment(Qt::AlignCenter);
  ContactLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(ContactLabel, &QLabel::linkActivated, this, [this] { ContactLabelClick(); });
  CloseBut = new QPushButton("Close", this);
  CloseBut->setObjectName("CloseBut");
  connect(CloseBut, &QPushButton::clicked, this, [this] { CloseButClick(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  for (QWidget* part : {static_cast<QWidget*>(Picture), static_cast<QWidget*>(NameLabel),
                        static_cast<QWidget*>(VersionLabel), static_cast<QWidget*>(ContactLabel)}) {
    layout->addWidget(part);
  }
  layout->addSpacing(8);
  layout->addWidget(CloseBut, 0, Qt::AlignCenter);
  setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

void TAboutFrm::ShowCentred() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
  raise();
}

void TAboutFrm::closeEvent(QCloseEvent* event) {
  event->accept();
  if (OnEndSplash) {
    OnEndSplash(nullptr);
  }
}

void TAboutFrm::CloseButClick() {
  if (OnEndSplash) {
    OnEndSplash(CloseBut);
  } else {
    close();
  }
}

void TAboutFrm::ContactLabelClick() {
  QDesktopServices::openUrl(QUrl(QString("mailto:") + kContactAddress));
}
