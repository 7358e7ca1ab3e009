#pragma once

// The File Server page's dialogs: create a folder, rename one, set a shared
// folder's password.

#include "console/folder_dialog.h"

class Form6 : public FolderDialog {
 public:
  Form6();
  ~Form6() override;
  QPushButton* ReenabledButton() const override;
  core::Task<> CreateFBtnClick();

  QLabel* Label1;
  QLineEdit* FoldernameEdit;
  QPushButton* CreateFBtn;
};

class Form7 : public FolderDialog {
 public:
  Form7();
  ~Form7() override;
  QPushButton* ReenabledButton() const override;
  core::Task<> RenameFBtnClick();

  QLabel* Label1;
  QLineEdit* OldFoldernameEdit;
  QLabel* Label2;
  QLineEdit* NewFoldernameEdit;
  QPushButton* RenameFBtn;
};

class Form8 : public FolderDialog {
 public:
  Form8();
  ~Form8() override;
  QPushButton* ReenabledButton() const override;
  core::Task<> PublicPassBtnClick();

  QLabel* Label1;
  QLineEdit* PublicFolderEdit;
  QLabel* Label2;
  QLineEdit* PublicPassEdit;
  QLabel* Label3;
  QLineEdit* VerifyPassEdit;
  QPushButton* PublicPassBtn;
};
