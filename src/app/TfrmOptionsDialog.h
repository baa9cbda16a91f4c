#pragma once

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class PrintSizeBox;
class QualitySlider;
class RatioEdit;
class TFormStorage;
class TfrmImage;

// The options dialog: shows the four program options, validates them and
// pushes them into the crop window, which holds the values in force. Used
// modally from the main window's options button, and hidden at start-up to
// load the stored options (LoadOptions).
class TfrmOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOptionsDialog(TfrmImage* image, QWidget* parent = nullptr);
    ~TfrmOptionsDialog() override;

    // Reads the stored options (and placement) into the controls.
    void RestoreOptions();
    // Pushes the controls' values into the crop window, in the order quality,
    // confirm, ratio, recurse, upright, metadata, lossless cut, more formats,
    // print size, frame inside; an error of a setter ends it there.
    void ApplyOptions();

    // Start-up: a dialog that is never shown reads the stored options and
    // pushes them into `image`. Errors propagate; the dialog is released in
    // every case.
    static void LoadOptions(TfrmImage* image);

    // Apply and Cancel close the dialog; so does any other way of ending it,
    // so that its Language texts are written back.
    void done(int result) override;

    QLabel* m_lblRatio;
    RatioEdit* m_edRatio;
    QCheckBox* m_btnRecurseDirs;
    QLabel* m_lblCompressionQ;
    QualitySlider* m_nCompressionQ;
    QLabel* m_lblBestCompression;
    QCheckBox* m_chbOverwriteConfirm;
    QPushButton* m_btnApply;
    QPushButton* m_btnCancel;
    QLabel* m_lblDialogCaption;
    // Photo options, in their own group below the original options and above
    // the buttons.
    QCheckBox* m_chbAutoRotate;
    QCheckBox* m_chbKeepMetadata;
    QCheckBox* m_chbLosslessCut;
    QCheckBox* m_chbMoreFormats;
    // Print options, in a group of their own below the photo options:
    // choosing a size sets the ratio to the size's, typing a ratio chooses
    // no size.
    QLabel* m_lblPrintSize;
    PrintSizeBox* m_cbPrintSize;
    QCheckBox* m_chbFrameInside;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void m_btnApplyClick();
    void m_btnCancelClick();

    TfrmImage* m_image;
    QFrame* m_Bevel;
    QFrame* m_BevelPhotos;
    QFrame* m_BevelPrint;
    TFormStorage* fsLang;
    TFormStorage* fsMain;
};
