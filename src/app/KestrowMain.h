// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame: the multiple-document window that holds every disk and inspector
// window, its menus and toolbar, the start-up splash, the temp area and the registry of
// the children's common data.
#pragma once

#include <QMainWindow>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/TempArea.h"
#include "app/children/KestrowClasses.h"
#include "disk/HostFiles.h"
#include "disk/MMBFile.h"
#include "platform/Prompts.h"

class QAction;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;
class TAboutFrm;
class TCheckDiskFrm;
class TDFSDiskFrm;
class TDiskPropFrm;
class TFileInspectorFrm;
class TFindFrm;
class TMMBFrm;
class MMBDataClass;
class TSaveChangesFrm;
class WindowMenuStyle;

class TKestrowMainFrm : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr const char* kClipboardFormatName = "Kestrow_V0_3";
  static constexpr const char* kOpenFailedMessage = kCouldNotOpenMessage;
  static constexpr const char* kFileInInspectorMessage = kInspectorOpenMessage;

  explicit TKestrowMainFrm(QWidget* parent = nullptr);
  ~TKestrowMainFrm() override;

  // ---- State ----
  ChildWindowClass* DragSource = nullptr;
  bool ClosingAll = false;
  QString ClipboardFormat;
  // The temp area's folder; empty while it is unset (before the splash ends, or when no
  // safe folder could be made).
  const std::string& TempAreaPath() const { return tempArea_.Path(); }
  ChildRegistryClass& Registry() { return *registry_; }
  // The front child (most recently activated), or nullptr.
  ChildWindowClass* ActiveChild() const;

  // ---- Controls ----
  QMdiArea* MdiArea;
  QTimer* Timer1;
  TAboutFrm* AboutFrm;
  TDiskPropFrm* DiskPropFrm;
  TSaveChangesFrm* SaveChangesFrm;
  TFindFrm* FindFrm;
  TCheckDiskFrm* CheckDiskFrm = nullptr;  // made when first needed
  QToolBar* TBToolbar1;
  QMenu *DiskMnu, *FileMnu, *EditMnu, *View1, *WindowMnu, *HelpMnu;
  QAction *NewDFSFileMnuItem, *NewDSDFileMnuItem, *OpenDFSFileMnuItem, *FullInfo, *DiskPropMnu;
  QAction* NewWatfordFileMnuItem;
  QAction *OpenInspectorMnuItem, *SaveFileChangesMnuItem, *SaveAllFileChangesMnuItem;
  QAction *UndoMnuItem, *CopyMnuItem, *PasteMnuItem, *SelectAllMnuItem, *DeleteMnuItem;
  QAction *FindMnuItem, *FindAgainMnuItem, *LockMnuItem, *UnLockMnuItem;
  QAction* ViewToolbarMnuItem;
  QAction *CascadeMnuItem, *TileHMnuItem, *TileVMnuItem, *N1, *DuplicateMnuItem;
  QAction *CloseAllMnuItem, *CloseFileInspectorsMnuItem, *N2;
  QAction* HelpMnuAbout;
  QAction *NewDFSFileBut, *OpenDFSFileBut, *DiskPropBut, *FullInfoBut, *DeleteToolBut;
  QAction *LockToolBut, *UnLockToolBut, *FileInspectorBut, *SaveFileChangesBut;
  QAction* SaveAllFileChangesBut;
  QAction *CheckDiskMnuItem, *CompactDiskMnuItem, *CheckDiskBut, *CompactDiskBut;
  // Disk menu: MMB files and the slots of the active MMB window.
  QAction *NewMMBMnuItem, *MMBOpenDiscMnuItem, *MMBLockMnuItem, *MMBUnLockMnuItem;
  QAction *MMBFormatMnuItem, *MMBKillMnuItem, *MMBImportMnuItem, *MMBExportMnuItem;
  QMenu* MMBBootMnu;
  std::vector<QAction*> MMBBootDriveMnuItems;  // drives 0-3

  // ---- Start-up and temp area ----
  // Ends the splash phase once; a sender (the timer or the About box's Close button)
  // closes the About box first.
  void Timer1Timer(QObject* sender);
  void ClearTempArea();

  // ---- Commands ----
  void SetMenuButtons(ChildWindowClass* subject);
  // Opens the image at path in a new disk window; nullptr when it cannot be opened. A
  // double-sided image opens a window on each side, side 0 first, and gives side 0's.
  TDFSDiskFrm* NewDFSFiler(const std::string& path);
  void NewDFSFileMnuItemClick();
  // Disk, New disk (dsd 80T): as New disk, offering a double-sided image first.
  void NewDSDFileMnuItemClick();
  // Disk, New disk (Watford 62-file): as New disk, with a second catalogue (NewWatfordDisk.cpp).
  void NewWatfordFileMnuItemClick();
  void OpenDFSFileMnuItemClick();
  // Opens each image as Disk, Open does, with its messages: the files named when the
  // program was started, or by a later start. During the splash they wait for its end.
  void OpenImages(const std::vector<std::string>& paths);
  // Shows or hides the active disk window's full disk information.
  void FullInfoClick();
  // Shows the Disk properties dialog, modally, for the active disk window.
  void DiskPropButClick();
  void SelectAllMnuItemClick();
  void SelectAll();
  // The toolbar's Delete: deletes the selected files, or backwards in an inspector.
  void Delete();
  // Edit, Delete: as Delete, but forwards in an inspector.
  void DeleteMnuItemClick();
  // Deletes the selected files of the active disk window after a confirmation.
  void DeleteDFSFile();
  void LockMnuItemClick();
  void UnLockMnuItemClick();
  // Locks or unlocks the selected files of the active disk window.
  void SetFileLockStatus(bool locked);
  void DuplicateMnuItemClick();

  // ---- Maintenance commands ----
  // Disk, Check disk: the findings on the active disk window's disk, in the Check disk
  // dialog, or "No problems found on this disk.".
  void CheckDiskMnuItemClick();
  // Disk, Compact disk: compacts the active disk window's disk after the question.
  void CompactDiskMnuItemClick();
  // ---- MMB files ----
  // Opens the MMB file at path in a new MMB window, sharing the data of any window
  // already open on it; nullptr (after the message) when it cannot be opened.
  TMMBFrm* NewMMBWindow(const std::string& path);
  // Opens disc `number` of the window's MMB file in a disk window, sharing the data of
  // any window already open on that disc; nullptr after the message.
  TDFSDiskFrm* OpenMMBDisc(TMMBFrm* window, int number);
  // Disk, New MMB...: writes a blank MMB file under the name the Save dialog gives and
  // opens it.
  void NewMMBMnuItemClick();
  // The slot commands of the active MMB window, on its selected slots.
  void MMBOpenDiscMnuItemClick();
  void MMBLockMnuItemClick();
  void MMBUnLockMnuItemClick();
  void MMBFormatMnuItemClick();
  void MMBKillMnuItemClick();
  void MMBImportMnuItemClick();
  void MMBExportMnuItemClick();
  void SetMMBBootDisc(int drive);
  // Imports the host image into disc `number`, asking first when the slot holds a disc.
  void ImportIntoSlot(TMMBFrm* window, int number, const std::string& imagePath);
  // The last MMB window on a file closes the windows on its discs first, after the
  // review of their inspectors' unsaved changes; false keeps it open.
  bool MMBCloseQuery(ChildWindowClass* window);

  // ---- Inspector commands ----
  // Opens an inspector window on file of the disk window's image, sharing the data of
  // any window already open on it; nullptr when the file cannot be read.
  TFileInspectorFrm* NewInspectorWindow(TDFSDiskFrm* diskWindow, const DFSFileClass& file);
  // Opens one inspector per selected file of the active disk window, in row order.
  void FileInspectorButClick();
  void OpenInspectorMnuItemClick();
  // Writes the window's working copy back into its image and shows the result; true on
  // success, which clears Changed and refills the image's disk windows.
  bool SaveFile(ChildWindowClass* window);
  void SaveFileChangesButClick();
  // Saves every changed file once.
  void SaveAllFileChangesButClick();
  void UndoMnuItemClick();
  void CopyMnuItemClick();
  void PasteMnuItemClick();
  void FindMnuItemClick();
  void FindAgainMnuItemClick();
  void CascadeMnuItemClick();
  void TileHMnuItemClick();
  void TileVMnuItemClick();
  void CloseAllMnuItemClick();
  void CloseFileInspectorsMnuItemClick();
  void ViewToolbarMnuItemClick();
  void TBToolbar1Close();
  void HelpMnuAboutClick();
  // Closes every child after the review of unsaved changes; true when they all closed
  // and the main window may close.
  bool MyCloseQuery();
  // Closes every inspector, and every disk window when includeDisks, after one review of
  // the unsaved changes; false (nothing closed) on Cancel or a failed save.
  bool CloseChildWindows(bool includeDisks);
  // The desktop session is ending: reviews as the close box does when the user may be
  // asked; false when the session should not end.
  bool SessionEndQuery(bool interactionAllowed);

  // ---- Child window events and hooks ----
  void ChildActivated(ChildWindowClass* window);
  void ChildUpdateCommands(ChildWindowClass* window);
  void ChildSetEditing(ChildWindowClass* window, bool editing);
  void ChildRefillRelatedWindows(ChildWindowClass* window);
  void ChildRepaintRelatedWindows(ChildWindowClass* window);
  bool DFSDiskCloseQuery(ChildWindowClass* window);
  bool ChildCloseQuery(ChildWindowClass* window);
  void ChildClosing(ChildWindowClass* window);

  // The toolbar image of the given index (0-13).
  static QIcon ToolImage(int index);
  // The index of the toolbar image a button shows.
  static int ToolImageIndex(const QAction* button);

 protected:
  // During the splash the window stays unmapped, showing the About box instead; it is
  // shown, centred, when the splash ends.
  void setVisible(bool visible) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  static constexpr int kShowMoreImage = 8;
  static constexpr int kShowLessImage = 9;
  static constexpr const char* kShowMoreHint = "Show more disk information";
  static constexpr const char* kShowLessHint = "Show less disk information";

  // The front child when it is a disk window, else nullptr.
  TDFSDiskFrm* ActiveDiskWindow() const;
  void CreateMenus();
  void CreateDiskAndFileMenus();
  void CreateEditMenu();
  void CreateWindowMenu();
  void CreateToolbar();
  QAction* AddMenuItem(QMenu* menu, const char* name, const char* caption,
                       const QKeySequence& shortcut = QKeySequence());
  QAction* AddToolButton(const char* name, const char* caption, const char* hint, int image);
  void SetToolImage(QAction* button, int image);
  // The Full info check mark and the button's image and hint for a window whose full
  // information is shown or not.
  void ShowFullInfoState(bool shown);
  // Runs handler when command is triggered; only commands with a handler are ever enabled.
  void Connect(QAction* command, void (TKestrowMainFrm::*handler)());
  void Enable(QAction* command, bool enabled);
  // Writes a blank image under the name the Save dialog gives and opens it.
  void NewDisk(const PromptInterface::FileDialogOptions& dialog);
  // A window on both sides of the double-sided image at path.
  TDFSDiskFrm* NewDiskWindows(const std::string& path);
  // A window on one side (or the single side) of the image, sharing the side's data
  // when it is open, else opening it, on disk when given.
  TDFSDiskFrm* NewDiskWindow(const std::string& path, int side,
                             std::unique_ptr<DFSDiskClass> disk = nullptr);
  std::unique_ptr<DiskDataClass> NewDiskData(const std::string& path, int side,
                                             std::unique_ptr<DFSDiskClass> disk);
  std::unique_ptr<DFSDiskClass> OpenDiskSide(const std::string& path, int side);
  void ConnectDiskWindow(TDFSDiskFrm* window);
  void SizeNewDiskWindow(TDFSDiskFrm* window);
  void AddWindowMenuEntry(ChildWindowClass* window, bool diskEntry);
  void ConnectInspectorWindow(TFileInspectorFrm* window);
  // The common data of a new inspector on file, its bytes read from the image.
  std::unique_ptr<InspectorDataClass> NewInspectorData(TDFSDiskFrm& diskWindow,
                                                       const DFSFileClass& file);
  // Restores a maximised active child; true when it was, so the new window maximises.
  bool RestoreMaximisedChild();
  // Saves data into the image; a file gone from the catalogue is saved as a new entry.
  int SaveInspectorData(DFSDiskClass& disk, InspectorDataClass& data);
  // The one review of the unsaved changes of the given inspectors (Save changes dialog);
  // true when their windows may close.
  bool ReviewChanges(const std::vector<ChildWindowClass*>& inspectors);
  // Releases an inspector's common data, then closes its window.
  void ReleaseInspectorWindow(ChildWindowClass* window);
  void ConnectSessionEnd();
  void TileChildren(Qt::Orientation orientation);
  // Deletes the selected files; false when the image could not be written.
  bool DeleteSelectedFiles(TDFSDiskFrm& window);
  // Locks or unlocks the selected files; true when one had vanished and the list needs
  // a refresh.
  bool LockSelectedFiles(TDFSDiskFrm& window, bool locked);
  void CentreOnDesktop();
  // Compacts the window's disk unless an inspector is open on it (other than saving's,
  // whose save asked for the room), then refills its windows and shows the summary; true
  // when it compacted.
  bool CompactDiskWindow(TDFSDiskFrm* window, const InspectorDataClass* saving);
  // After the inspector's save found no room: offers to compact the disk; true when it
  // was compacted and the save may be tried again.
  bool OfferCompactionForSave(TDFSDiskFrm* parent, InspectorDataClass& data);
  // Whether an inspector window other than those on except is open on a file of disk.
  bool InspectorOpenOnDisk(const DiskDataClass* disk, const InspectorDataClass* except) const;
  void FormClose();

  void CreateMMBCommands();
  void ConnectMMBWindow(TMMBFrm* window);
  void SetMMBButtons(ChildWindowClass* subject);
  TMMBFrm* ActiveMMBWindow() const;
  MMBDataClass* FindMMBData(const std::string& path) const;
  // Reads the index afresh in every MMB window on the file at path.
  void RefreshMMBWindows(const std::string& path);
  // The disk windows on the discs of the MMB file.
  std::vector<TDFSDiskFrm*> MMBDiscWindows(const MMBDataClass& data) const;
  // Applies change to each of the window's slots that is not open in a disk window;
  // shows the first refusal once all have been tried.
  void ChangeSelectedSlots(TMMBFrm* window, const std::vector<MMBSlot>& slots,
                           const std::function<MMBResult(MMBFileClass&, int)>& change);

  void DisableAllButtons();
  void SetCommonButtons(ChildWindowClass* subject);
  void SetDFSFileButtons(TDFSDiskFrm* window);
  void SetFileOpButtons(TDFSDiskFrm* window);
  void SetFileInspectorButtons(ChildWindowClass* window);
  void SetListingTabButtons(TFileInspectorFrm& inspector);
  bool AnyInspectorChanged() const;
  TFileInspectorFrm* ActiveInspector() const;

  std::vector<std::string> imagesAfterSplash_;
  std::unique_ptr<ChildRegistryClass> registry_;
  TempAreaClass tempArea_;
  WindowMenuStyle* windowMenuStyle_;
  QSet<QAction*> commandsWithHandlers_;
  bool shownAfterSplash_ = false;
};
