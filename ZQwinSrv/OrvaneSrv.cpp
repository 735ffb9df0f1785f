// The engine library OrvaneSrv: the engine's code, whole, from OrvaneSrvCore.
// Its creatable classes register themselves with the object layer through
// the registration routine of the facade.
