#pragma once

#include "platform/Dialog.h"

#include <functional>

// The cube rules of set-up positions. A delta of 0 or more halves the value (1 wraps to 32), a
// negative one doubles it (32 wraps to 1): an up arrow sends a negative delta.
int StepCubeValue(int delta, int value);
// 1, 2, 4, 8, 16 or 32; anything else tells the user and fails the exchange.
bool IsValidPropCubeValue(int value);
void ValidateCubeValue(platform::DataExchange& dx, int id, int value);

// Two arrow buttons beside a value edit, stepping it through StepCubeValue.
QWidget* MakeCubeSpin(platform::Dialog* dialog, int spinId, int editId, std::function<void()> changed = {});

// "Set Cube": the owner (None, White, Black) and the value of the cube of a set-up position.
class CBGPropSetCube : public platform::Dialog {
    Q_OBJECT
public:
    static constexpr int kIdNone = 1429;
    static constexpr int kIdWhite = 1389;
    static constexpr int kIdBlack = 1390;
    static constexpr int kIdValue = 1431;
    static constexpr int kIdSpin = 1430;

    explicit CBGPropSetCube(QWidget* parent = nullptr);

    int m_cubeValue = 2;
    int m_ownerIndex = -1; // 0 centred, 1 White (side 1), 2 Black (side 2)

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;

private:
    void UpdateValueEnabled();
};

// "Set Turn": which side is on roll.
class CBGPropSetTurn : public platform::Dialog {
    Q_OBJECT
public:
    static constexpr int kIdWhite = 1389;
    static constexpr int kIdBlack = 1390;

    explicit CBGPropSetTurn(QWidget* parent = nullptr);

    int m_index = -1; // 0 White (side 1), 1 Black (side 2)

    void DoDataExchange(platform::DataExchange& dx) override;
};
