from typing import Any, Optional, Tuple

from . import ExperimentResult

def experiment(client: Any, runs: int, *, seed: Optional[int] = ..., chunk: Optional[int] = ...,
               steps: int = ..., fit_range: Optional[Tuple[int, int]] = ..., series: bool = ...,
               **settings: Any) -> ExperimentResult: ...
