#pragma once

// Positions of the variables in the groups of the device model. A control of
// the main window is bound to a variable by its group and position, so these
// follow the order in which TNGAS fills each group.
namespace ModeVar {
enum : int { MODE, Count };
}

namespace CommonVar {
enum : int { DATETIME, SERIALN, DRYCONTACTIN, DRYCONTACTOUT, ADRYCONTACTTHR, BDRYCONTACTTHR, RESOURCE, Count };
}

namespace MeasureVar {
enum : int {
  STATUS,
  ALPHAALARM1,
  ALPHAALARM2,
  BETAALARM1,
  BETAALARM2,
  ALPHAALARM1ON,
  ALPHAALARM2ON,
  BETAALARM1ON,
  BETAALARM2ON,
  SUMALPHA,
  SUMBETA,
  RADON,
  Count
};
}

namespace CounterVar {
enum : int { MAINENERGYA, MAINENERGYB, BGENERGYA, BGENERGYB, EFFA, EFFB, EFFAB, EFFPB, TRANS, DURATIONTIME, Count };
}

namespace PumpVar {
enum : int { FLOW, VOLUME, PUMPUPPERLEVEL, PUMPLOWERLEVEL, PREASSURE, Count };
}

namespace TestVar {
enum : int { TEST, FLOW, VOLUME, Count };
}

namespace TestActivityVar {
enum : int { SUMALPHA, SUMBETA, RADON, Count };
}

namespace AlarmBlockVar {
enum : int { BAS_SIRENE, BAS_INDICATOR, Count };
}

namespace MainSpectrVar {
enum : int { SPECTRUM1, Count };
}

namespace BkSpectrVar {
enum : int { SPECTRUM2, Count };
}

namespace MainEnergyVar {
enum : int { MAINENERGYA, MAINENERGYB, Count };
}

namespace BkEnergyVar {
enum : int { BGENERGYA, BGENERGYB, Count };
}

namespace ServiceVar {
enum : int {
  SELFBACKGROUND,
  SELFALPHABACKGROUND,
  PRESSUPPERLEVEL,
  PRESSLOWERLEVEL,
  ADCTHR,
  SERVICEFUNCFLAGS,
  FORCEDNETSENDFLAGS,
  FALPHA,
  FBETA,
  Count
};
}

namespace NetVar {
enum : int { NETADDRESS, NETBAUDRATE, ETHERNET, Count };
}

namespace ArchSizeVar {
enum : int { NUMOFRECORDS, Count };
}

// Every variable an archive record can hold; the caption list runs parallel.
namespace ArchVar {
enum : int {
  MODE,
  DATETIME,
  SERIALN,
  DRYCONTACTIN,
  DRYCONTACTOUT,
  STATUS,
  ALPHAALARM1,
  ALPHAALARM2,
  BETAALARM1,
  BETAALARM2,
  ALPHAALARM1ON,
  ALPHAALARM2ON,
  BETAALARM1ON,
  BETAALARM2ON,
  SUMALPHA,
  SUMBETA,
  RADON,
  FLOW,
  VOLUME,
  Count
};
}
