// A shared library that is not a session module: it lacks the factory.
extern "C" int mox_not_a_session_module()
{
    return 0;
}
