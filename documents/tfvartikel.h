#pragma once
// The article chooser: the catalogue in a grid; "OK" adds the current article
// as a new position of the current document. One per editor, hidden between
// uses.
#include <QDialog>
#include <QPointer>
#include <functional>

class Tfvartikel : public QDialog
{
    Q_OBJECT
  public:
    explicit Tfvartikel(QWidget *owner);
    ~Tfvartikel() override;

    // Inserts the current article into vorgangdata as a new, unsaved row.
    void AddArtikelPosition();

    // Set by the editor: the position dialog on the current position, then
    // the totals.
    std::function<void()> PosshowClick;
};

QPointer<Tfvartikel> &FvartikelRef();
