#include "glowbuttonaccessible.h"

#include "glowbutton.h"

#include <QAccessibleWidget>

namespace {

// A caption as read aloud: "&" marks the access key and is dropped, "&&" is one ampersand.
QString spokenCaption(const QString &caption)
{
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && ++i >= caption.size())
            break;
        out.append(caption.at(i));
    }
    return out;
}

class GlowButtonAccessible : public QAccessibleWidget
{
public:
    explicit GlowButtonAccessible(GlowButton *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return spokenCaption(button()->Caption());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->VisualState() == 3;
        if (button()->ButtonType() == 1) {
            s.checkable = true;
            s.checked = button()->Value();
        }
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() && button()->isEnabled())
            button()->Press();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    GlowButton *button() const { return static_cast<GlowButton *>(widget()); }
};

QAccessibleInterface *glowButtonFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("GlowButton") && object && object->isWidgetType())
        return new GlowButtonAccessible(static_cast<GlowButton *>(object));
    return nullptr;
}

} // namespace

void InstallGlowButtonAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(glowButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
