// FormDiduRaDozori: the program's one window. It holds the picture, the progress
// bar and the two buttons, and the session with the five database objects the
// transfer works with; OK runs the transfer, Cancel closes the window and so the
// program.
#pragma once

#include "transfer/transferview.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace didu {

class BitBtn;
class FormKeyboard;
class Image;
class Panel;
class ProgressBar;
class TransferSession;
enum class PictureDepth;

/// What a test or the benchmark may fix instead of reading it from the screen.
struct FormOptions {
    /// Pixels per inch of the screen, for the scaling rule.
    std::optional<int> screenPixelsPerInch;
    /// How the picture is decoded (else: from the screen's colour depth).
    std::optional<PictureDepth> pictureDepth;
};

class TFormDiduRaDozori : public QWidget, public TransferView {
    Q_OBJECT
public:
    /// Builds the window from its definition: the controls, then the session
    /// with the database objects, none of which touches the database yet.
    /// Hidden until shown.
    explicit TFormDiduRaDozori(const FormOptions& options = {}, QWidget* parent = nullptr);
    /// Destroys the session (its objects in reverse) and then the controls, in
    /// the reverse of the order they were made.
    ~TFormDiduRaDozori() override;

    /// Shows the window for the first time, centred on the virtual desktop.
    void showCentred();

    /// OK: one whole transfer run, on this thread; an error it raises ends the
    /// run and is shown in the error box.
    void BitBtn1Click();
    /// Cancel: closes the window, which ends the program.
    void BitBtn2Click();

    // TransferView
    void showProgress(const Progress& progress) override;
    void showInformation(const std::string& message) override;

    Panel* Panel1() const { return m_panel1; }
    Image* Image1() const { return m_image1; }
    ProgressBar* ProgressBar1() const { return m_progressBar1; }
    BitBtn* BitBtn1() const { return m_bitBtn1; }
    BitBtn* BitBtn2() const { return m_bitBtn2; }

    /// The database objects and the bar's state.
    TransferSession& session() const { return *m_session; }

    /// The font's character height and text height after the scaling rule, and
    /// whether the controls were scaled.
    int fontPixels() const { return m_fontPixels; }
    bool controlsScaled() const { return m_controlsScaled; }

    /// Replaces what OK runs (for tests of the keys and the error path); empty
    /// restores the transfer.
    void setTransferRunner(std::function<void()> runner) { m_runner = std::move(runner); }

protected:
    bool event(QEvent* event) override;

private:
    QSize virtualDesktopSize() const;
    /// Gives the frame its share of the outer size once the frame is known.
    void fitFrame();
    void createControls(const FormOptions& options);
    /// Runs one handler as the window's message dispatch does: an error that
    /// escapes goes to the error box and the window goes on.
    void dispatch(const std::function<void()>& handler);

    Panel* m_panel1 = nullptr;
    Image* m_image1 = nullptr;
    ProgressBar* m_progressBar1 = nullptr;
    BitBtn* m_bitBtn1 = nullptr;
    BitBtn* m_bitBtn2 = nullptr;
    FormKeyboard* m_keyboard = nullptr;
    int m_fontPixels = 0;
    bool m_controlsScaled = false;
    std::function<void()> m_runner;
    bool m_fitFramePending = false;
    QElapsedTimer m_shownAt;
    std::unique_ptr<TransferSession> m_session;
};

} // namespace didu
