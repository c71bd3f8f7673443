// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/PaletteEditor.h"

#include <QGridLayout>
#include <QMouseEvent>
#include <QToolButton>

#include "decode/ScreenOptions.h"

namespace {

const int kSwatchesPerRow = 8;
const int kSwatchSize = 18;
const int kPhysicalColours = 8;

}  // namespace

PaletteEditor::PaletteEditor(QWidget* parent) : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
}

void PaletteEditor::SetPalette(const ScreenPalette& palette, int colours) {
  palette_ = palette;
  auto* grid = static_cast<QGridLayout*>(layout());
  while (Colours() > colours) {
    delete swatches_.back();
    swatches_.pop_back();
  }
  while (Colours() < colours) {
    const int logical = Colours();
    auto* swatch = new QToolButton(this);
    swatch->setObjectName(QString("Swatch%1").arg(logical));
    swatch->setFixedSize(kSwatchSize, kSwatchSize);
    swatch->installEventFilter(this);
    connect(swatch, &QToolButton::clicked, this, [this, logical] { Step(logical, 1); });
    grid->addWidget(swatch, logical / kSwatchesPerRow, logical % kSwatchesPerRow);
    swatches_.push_back(swatch);
  }
  for (int logical = 0; logical < colours; ++logical) {
    ShowSwatch(logical);
  }
}

void PaletteEditor::Step(int logical, int by) {
  // The eight steady colours in turn; a flashing colour steps on from its first colour.
  const int physical = palette_[size_t(logical)] & (kPhysicalColours - 1);
  palette_[size_t(logical)] =
      static_cast<uint8_t>((physical + by + kPhysicalColours) % kPhysicalColours);
  ShowSwatch(logical);
  emit PaletteChanged();
}

void PaletteEditor::ShowSwatch(int logical) {
  const uint8_t physical = palette_[size_t(logical)];
  QToolButton* swatch = swatches_[size_t(logical)];
  const QColor colour = QColor::fromRgb(PhysicalColourRgb(physical));
  swatch->setStyleSheet(
      QString("QToolButton { background: %1; border: 1px solid #808080; }").arg(colour.name()));
  const QString name = QString::fromStdString(PhysicalColourName(physical));
  swatch->setToolTip(QString("Logical colour %1: %2. Click for the next colour, right-click "
                             "for the one before.")
                         .arg(logical)
                         .arg(name));
  swatch->setAccessibleName(QString("Logical colour %1: %2").arg(logical).arg(name));
}

bool PaletteEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    for (int logical = 0; logical < Colours(); ++logical) {
      if (watched == swatches_[size_t(logical)]) {
        Step(logical, -1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}
