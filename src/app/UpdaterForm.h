#pragma once
// The update dialog: shows what the update check (TUpdater) found, asks whether
// to download, shows the download's progress and every way a check or a
// download ended without an update, each as one line.

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include "app/Updater.h"

class Morvo3Texts;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

class TFormUpdate : public QDialog
{
    Q_OBJECT
public:
    explicit TFormUpdate(QWidget *parent = nullptr);

    // Follows updater from now on; texts give the messages in the active
    // language (the built-in texts when null).
    void Attach(TUpdater *updater, const Morvo3Texts *texts);
    // The window the dialog is centred over when it shows.
    void SetCentreOver(QWidget *window) { m_centreOver = window; }
    // The check box sits further right under the longer Hungarian labels.
    void SetHungarian(bool hungarian);

    // Layouts: the download question, or one line of text with OK.
    static constexpr int QuestionHeight = 205;
    static constexpr int QuestionCheckBoxTop = 148;
    static constexpr int MessageHeight = 180;
    static constexpr int MessageCheckBoxTop = 85;

    QTimer TimerPercentage;

public slots:
    void done(int result) override;

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void ShowQuestion(const QString &current, const QString &newest);
    void ShowLine(const QString &text, const QUrl &link = QUrl());
    void ShowCentred();
    void FillVersions(const QString &current, const QString &newest);
    void Failed(TUpdater::TFailure why);
    void btnStartDownloadClick();
    void btnDontDownloadClick();
    void TimerPercentageTick();
    QString Text(const QString &key) const;

    QPointer<TUpdater> m_updater;
    const Morvo3Texts *m_texts = nullptr;
    QPointer<QWidget> m_centreOver;
    bool m_hungarian = true;
    bool m_closed = true;

    QLabel *m_lbCurrentVersionText = nullptr;
    QLabel *m_lbCurrentVersion = nullptr;
    QLabel *m_lbNewVersionText = nullptr;
    QLabel *m_lbNewVersion = nullptr;
    QLabel *m_lbWantToDownload = nullptr;
    QLabel *m_lbWaitForRestart = nullptr;
    QLabel *m_lbNoDownloadRequired = nullptr;
    QLabel *m_lbDownloadPage = nullptr;
    QPushButton *m_btnStartDownload = nullptr;
    QPushButton *m_btnDontDownload = nullptr;
    QPushButton *m_btnOK = nullptr;
    QPushButton *m_btnFocusDummy = nullptr;
    QProgressBar *m_pbUpdate = nullptr;
    QCheckBox *m_cbAllowDownloadQuery = nullptr;
};
