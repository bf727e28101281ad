#pragma once

#include <QImage>
#include <QWidget>

// The image box of the preview: holds the snapshot picture.
// (Skeleton: the full preview window is being built.)
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr) : QWidget(parent) {}

    const QImage& picture() const { return m_picture; }
    void setPicture(const QImage& picture) { m_picture = picture; }

private:
    QImage m_picture;
};

// The preview window.
class Form2 : public QWidget {
    Q_OBJECT

public:
    // The preview window; referring to it while it is not loaded loads it,
    // which runs its load handler first.
    static Form2& instance();
    // The loaded preview window, or nullptr.
    static Form2* loaded();

    PictureBox* Picture1 = nullptr;
    QString mExcelFile;

    void Form_Load() {}

private:
    Form2();
};
