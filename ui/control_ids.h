// Identifiers of MainWindow's controls; the window tests find the controls by them.
#pragma once

enum ControlId {
  分组框1 = 100,
  编辑框_待转换地址,
  按钮_转换,
  分组框2,
  标签1,
  编辑框_原始地址,
  编辑框_迅雷地址,
  编辑框_快车地址,
  编辑框_旋风地址,
  按钮_原始地址,
  按钮_迅雷地址,
  按钮_快车地址,
  按钮_旋风地址,
};

// The result boxes and their copy buttons, indexed by LinkType.
constexpr int ResultBoxIds[4] = {编辑框_原始地址, 编辑框_迅雷地址, 编辑框_快车地址, 编辑框_旋风地址};
constexpr int CopyButtonIds[4] = {按钮_原始地址, 按钮_迅雷地址, 按钮_快车地址, 按钮_旋风地址};
