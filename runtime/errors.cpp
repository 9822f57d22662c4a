#include "runtime/errors.h"

#include <cfenv>

namespace rt {

RuntimeError::RuntimeError(int number, QString description)
    : std::runtime_error(description.toStdString()), number_(number), description_(std::move(description)) {}

QString RuntimeError::message() const {
    return QStringLiteral("Erreur d'exécution « %1 » :\n\n%2").arg(number_).arg(description_);
}

RuntimeError noSuchArrayElement(const QString& control, int index) {
    return {err::NoSuchArrayElement,
            QStringLiteral("L'élément %1 du groupe de contrôles « %2 » n'existe pas").arg(index).arg(control)};
}

RuntimeError objectRequired(const QString& control) {
    return {err::ObjectRequired, QStringLiteral("Objet requis : « %1 »").arg(control)};
}

RuntimeError notSupported(const QString& control, const QString& member) {
    return {err::NotSupported,
            QStringLiteral("Propriété ou méthode « %1 » non gérée par l'objet « %2 »").arg(member, control)};
}

RuntimeError cannotCreateObject(const QString& control, const QString& reason) {
    return {err::CannotCreateObject,
            QStringLiteral("Le composant ne peut pas créer l'objet « %1 » : %2").arg(control, reason)};
}

RuntimeError automationFailed(const QString& member, qint32 status) {
    return {err::AutomationError, QStringLiteral("Erreur Automation : « %1 » a échoué (code 0x%2)")
                                      .arg(member)
                                      .arg(static_cast<quint32>(status), 8, 16, QLatin1Char('0'))};
}

RuntimeError invalidCall(const QString& what) {
    return {err::InvalidCall, QStringLiteral("Argument ou appel de procédure incorrect : %1").arg(what)};
}

FloatStatus::FloatStatus() { std::feclearexcept(FE_ALL_EXCEPT); }

void FloatStatus::check() const {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    std::feclearexcept(FE_ALL_EXCEPT);
    if (raised & FE_DIVBYZERO) throw RuntimeError(err::DivisionByZero, QStringLiteral("Division par zéro"));
    if (raised & FE_OVERFLOW) throw RuntimeError(err::Overflow, QStringLiteral("Dépassement de capacité"));
    if (raised & FE_INVALID)
        throw RuntimeError(err::InvalidCall, QStringLiteral("Opération en virgule flottante incorrecte"));
}

}  // namespace rt
