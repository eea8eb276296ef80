#pragma once

#include <QDialog>
#include <map>

class HyperLinkLabel;
struct Platform;

// The program's name, version and maker with two links to the product web site.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(Platform& platform, QWidget* parent = nullptr);

    HyperLinkLabel* SiteLink() const;
    HyperLinkLabel* SupportLink() const;

  private:
    std::map<int, QWidget*> controls_;
};
