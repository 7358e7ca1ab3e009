#pragma once

// The FTP pages' dialogs: create an account; create and rename a folder
// from an account's page.

#include "console/folder_dialog.h"

class Form9 : public FolderDialog {
 public:
  Form9();
  ~Form9() override;
  QPushButton* ReenabledButton() const override;
  core::Task<> FTPAddAccBtnClick();

  QLabel* Label1;
  QLineEdit* FTPAddAccEdit;
  QPushButton* FTPAddAccBtn;
};

class Form10 : public FolderDialog {
 public:
  Form10();
  ~Form10() override;
  QPushButton* ReenabledButton() const override;
  core::Task<> ModCreateFBtnClick();

  QLabel* Label1;
  QLineEdit* ModCreateFEdit;
  QPushButton* ModCreateFBtn;
};

class Form11 : public FolderDialog {
 public:
  Form11();
  ~Form11() override;
  QPushButton* ReenabledButton() const override;
  core::Task<> ModRenameFBtnClick();

  QLabel* Label1;
  QLineEdit* ModRenOldnameEdit;
  QLabel* Label2;
  QLineEdit* ModRenNewnameEdit;
  QPushButton* ModRenameFBtn;
};
