// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspector/ScreenTab.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include "decode/PngWriter.h"
#include "decode/ScreenGuess.h"
#include "decode/ScreenModes.h"
#include "decode/ScreenOptions.h"
#include "inspector/FileInspector.h"
#include "inspector/PaletteEditor.h"
#include "platform/Prompts.h"
#include "util/Useful.h"

namespace {

const char* const kSaveCaption = "Save as PNG…";
const PromptInterface::FileDialogOptions kPngDialog{"PNG picture|*.png", "png"};

QString ModeText(int mode, bool guessed) {
  return QString("MODE %1").arg(mode) + (guessed ? " (guessed)" : "");
}

}  // namespace

struct ScreenTab::Drawing {
  std::vector<uint8_t> bytes;
  bool upToDate = false;
  ScreenGuess guess;
  ScreenRaster raster;
};

ScreenTab::ScreenTab(TFileInspectorFrm& window)
    : QWidget(window.View()),
      window_(window),
      drawing_(std::make_unique<Drawing>()),
      mode_(kUnguessedScreenMode) {
  setObjectName("ScreenTab");
  // The controls in the desktop's font, not the hex dump's.
  setFont(QApplication::font());
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);

  modeChoice_ = new QComboBox(this);
  modeChoice_->setObjectName("ScreenMode");
  for (int mode = kFirstScreenMode; mode <= kLastScreenMode; ++mode) {
    modeChoice_->addItem(ModeText(mode, false), mode);
  }
  modeChoice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(modeChoice_, &QComboBox::activated, this,
          [this](int index) { ChooseMode(modeChoice_->itemData(index).toInt()); });

  palette_ = new PaletteEditor(this);
  connect(palette_, &PaletteEditor::PaletteChanged, this, [this] { Redraw(); });
  fixedColours_ = new QLabel("Teletext colours", this);

  saveButton_ = new QPushButton(kSaveCaption, this);
  saveButton_->setObjectName("SavePng");
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveAsPng(); });

  note_ = new QLabel(this);
  note_->setObjectName("ScreenNote");
  note_->setWordWrap(true);

  picture_ = new QWidget(this);
  picture_->setObjectName("ScreenPicture");
  picture_->setAttribute(Qt::WA_OpaquePaintEvent);
  picture_->installEventFilter(this);

  auto* controls = new QHBoxLayout;
  auto* modeLabel = new QLabel("Mode:", this);
  modeLabel->setBuddy(modeChoice_);
  controls->addWidget(modeLabel);
  controls->addWidget(modeChoice_);
  controls->addSpacing(8);
  controls->addWidget(palette_);
  controls->addWidget(fixedColours_);
  controls->addStretch(1);
  controls->addWidget(saveButton_);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);
  column->addLayout(controls);
  column->addWidget(note_);
  column->addWidget(picture_, 1);

  hide();
  window_.View()->installEventFilter(this);
  connect(window_.Tab, &QTabBar::currentChanged, this, [this] { TabChanged(); });
  LayOut();
}

ScreenTab::~ScreenTab() = default;

const ScreenGuess& ScreenTab::Guess() const {
  return drawing_->guess;
}

const ScreenRaster& ScreenTab::Raster() {
  Refresh();
  return drawing_->raster;
}

// Draws again only when the working copy differs from the bytes last drawn: comparing
// is far cheaper than drawing, and the user's mode and palette stay as chosen.
void ScreenTab::Refresh() {
  const InspectorDataClass* data = window_.Data();
  static const std::vector<uint8_t> kNoBytes;
  const std::vector<uint8_t>& bytes = data != nullptr ? data->Buffer.Bytes() : kNoBytes;
  if (drawing_->upToDate && bytes == drawing_->bytes) {
    return;
  }
  drawing_->bytes = bytes;
  drawing_->upToDate = true;
  const uint32_t load = data != nullptr ? uint32_t(data->OriginalLoadAddress) : 0;
  const int before = mode_;
  drawing_->guess = GuessScreenMode(load, bytes);
  mode_ = chosenMode_.value_or(drawing_->guess.mode);
  ShowModeChoice();
  if (mode_ != before || palette_->Colours() == 0) {
    palette_->SetPalette(DefaultPalette(mode_),
                         mode_ == kTeletextMode ? 0 : ScreenMode(mode_).colours);
  }
  fixedColours_->setVisible(mode_ == kTeletextMode);
  note_->setText(QString::fromStdString(drawing_->guess.note));
  // The note says which mode is shown only until the user picks one.
  note_->setVisible(!drawing_->guess.note.empty() && !chosenMode_);
  saveButton_->setEnabled(!bytes.empty());
  Redraw();
}

void ScreenTab::ShowModeChoice() {
  for (int index = 0; index < modeChoice_->count(); ++index) {
    const int mode = modeChoice_->itemData(index).toInt();
    modeChoice_->setItemText(
        index, ModeText(mode, drawing_->guess.guessed && mode == drawing_->guess.mode));
  }
  modeChoice_->setCurrentIndex(modeChoice_->findData(mode_));
}

void ScreenTab::ChooseMode(int mode) {
  Refresh();
  chosenMode_ = mode;
  note_->hide();
  if (mode == mode_) {
    return;
  }
  mode_ = mode;
  // Each mode starts from its own default colours.
  palette_->SetPalette(DefaultPalette(mode_),
                       mode_ == kTeletextMode ? 0 : ScreenMode(mode_).colours);
  fixedColours_->setVisible(mode_ == kTeletextMode);
  ShowModeChoice();
  Redraw();
}

void ScreenTab::Redraw() {
  drawing_->raster = RenderScreen(drawing_->bytes, mode_, palette_->Palette());
  image_ = QImage(drawing_->raster.rgb.data(), drawing_->raster.width, drawing_->raster.height,
                  drawing_->raster.width * 3, QImage::Format_RGB888)
               .copy();
  picture_->update();
}

QRect ScreenTab::PictureRect() const {
  const ScreenFrame frame = FitScreenFrame(image_.height(), picture_->width(), picture_->height());
  return QRect((picture_->width() - frame.width) / 2, (picture_->height() - frame.height) / 2,
               frame.width, frame.height);
}

void ScreenTab::PaintPicture() {
  Refresh();
  QPainter canvas(picture_);
  canvas.fillRect(picture_->rect(), Qt::white);
  const QRect target = PictureRect();
  if (target.isEmpty() || image_.isNull()) {
    return;
  }
  QImage shown;
  if (target.height() % image_.height() == 0) {
    // Whole lines per pixel row: repeat the rows exactly, then smooth across only.
    shown =
        image_
            .scaled(image_.width(), target.height(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  } else {
    shown = image_.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  canvas.drawImage(target.topLeft(), shown);
}

void ScreenTab::SaveAsPng() {
  Refresh();
  if (drawing_->bytes.empty()) {
    return;
  }
  const std::string path = Prompts().AskSaveFileName(kPngDialog);
  if (path.empty()) {
    return;
  }
  try {
    WritePng(drawing_->raster, path);
  } catch (const FileSystemError& error) {
    Prompts().ShowMessage(error.UserText());
  } catch (const std::exception& error) {
    Prompts().ShowMessage(error.what());
  }
}

void ScreenTab::TabChanged() {
  const bool showing = window_.Tab->currentIndex() == kScreenTab;
  if (showing) {
    Refresh();
    LayOut();
    raise();
  }
  setVisible(showing);
}

void ScreenTab::LayOut() {
  QWidget* view = window_.View();
  // The status bar is placed after this runs on a resize, but its height never changes.
  const int top = window_.Tab->height();
  const int bottom = view->height() - window_.StatusBar->height();
  setGeometry(0, top, view->width(), std::max(0, bottom - top));
}

bool ScreenTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.View() && event->type() == QEvent::Resize) {
    LayOut();
  } else if (watched == picture_ && event->type() == QEvent::Paint) {
    PaintPicture();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
